@echo off
rem What mkspiffs.bat and esptool.bat share: the folder of a run, the log
rem and its result line. cmd.exe has no include, so they call one part at a
rem time, call "%HERE%\common.bat" PART ARGUMENTS, which sets their variables.
rem For editing: a tool's messages may hold any character. They are only
rem read with FOR /F, and expanded only once :clean has taken out every
rem double quote and percent sign, so that cmd never runs any of their text.
if "%~1"=="" exit /b 1
set "PART_CALLED=%~1"
shift
goto :%PART_CALLED%

rem start NAME: each run writes its log and files into a folder of its own,
rem RUNDIR (NAME.N.run), and puts the log in place when it ends, so that the
rem log is always one run's. In a read-only folder whose log can be written,
rem the log (RUNLOG) is written in place and RUNDIR is in TEMP; else it is nul.
:start
set "LOGINRUN="
set "CLAIM_IN="
call :claim %1
set "RUNLOG=%LOG%"
if not defined RUNDIR goto :start_in_place
set "RUNLOG=%RUNDIR%\%LOG%"
set "LOGINRUN=1"
exit /b
:start_in_place
type nul >"%LOG%" 2>nul
set "SIZE="
if exist "%LOG%" for %%F in ("%LOG%") do set "SIZE=%%~zF"
if not "%SIZE%"=="0" set "RUNLOG=nul"
if defined TEMP set "CLAIM_IN=%TEMP%\"
if defined TEMP call :claim %1
exit /b

rem finish: ends the log with its result line, "Result: " and REASON, puts
rem the log in place and removes everything else of this run. The caller
rem then exits with STATUS.
:finish
call :result
if not defined LOGINRUN goto :finish_tidy
call :move "%RUNLOG%" "%LOG%"
if exist "%RUNLOG%" copy /y "%RUNLOG%" "%LOG%" >nul 2>&1
:finish_tidy
if defined RUNDIR rd /s /q "%RUNDIR%" >nul 2>&1
exit /b

rem move FROM TO: moves FROM over TO. A run that puts its own file there at
rem the same moment makes a move fail for that moment, so it tries up to five
rem times, a second apart (cmd has no sleep; ping waits a second between its
rem two echoes).
:move
set "TRIES=0"
:move_next
move /y "%~1" "%~2" >nul 2>&1
if not exist "%~1" exit /b
set /a TRIES+=1
if %TRIES% geq 5 exit /b
ping -n 2 127.0.0.1 >nul 2>&1
goto :move_next

rem after FILE NAME: sets AFTER to the text after "NAME: " on the last line
rem of FILE that starts so, made safe by :clean; empty without one.
:after
set "AFTER="
set "AFTER_NAME=%~2"
if not exist "%~1" exit /b
call :fence "%~1" "%RUNDIR%\lines.txt"
for /f "usebackq tokens=1-9 delims=%%" %%a in ("%RUNDIR%\lines.txt") do (
    set "T1=%%a" & set "T2=%%b" & set "T3=%%c" & set "T4=%%d" & set "T5=%%e"
    set "T6=%%f" & set "T7=%%g" & set "T8=%%h" & set "T9=%%i"
    call :after_line
)
exit /b
:after_line
call :clean
if not defined S exit /b
set "REST=%S:*: =%"
if "%AFTER_NAME%: %REST%"=="%S%" set "AFTER=%REST%"
exit /b

rem claim NAME: sets RUNDIR to a new folder CLAIM_IN then NAME.N.run, with a
rem random N; making a folder fails when it exists, so two runs never share
rem one, even when both drew the same N. Empty when none can be made there.
:claim
set "RUNDIR="
set "TRIES=0"
:claim_next
set /a TRIES+=1
if %TRIES% gtr 50 exit /b
set "TRY=%CLAIM_IN%%~1.%RANDOM%.run"
mkdir "%TRY%" >nul 2>&1
if errorlevel 1 goto :claim_next
set "RUNDIR=%TRY%"
exit /b

rem Writes "Result: " and REASON as the log's last line: one line, with no
rem percent sign (the program shows it as it is).
:result
for /f "tokens=1-9 delims=%%" %%a in ("#Result: %REASON%#") do (
    set "T1=%%a" & set "T2=%%b" & set "T3=%%c" & set "T4=%%d" & set "T5=%%e"
    set "T6=%%f" & set "T7=%%g" & set "T8=%%h" & set "T9=%%i"
)
call :clean
for /f "delims=" %%R in ("%S%") do >>"%RUNLOG%" echo %%R
exit /b

rem Joins T1 to T9, the pieces of a line between its percent signs, into S,
rem with " percent" for each run of percent signs and ' for each double
rem quote, and takes off the # at either end that :fence put there. S can
rem then be expanded without cmd reading any of it as syntax.
:clean
set "S="
if not defined T1 exit /b
set "S=%T1:"='%"
if not defined T2 goto :clean_ends
set "S=%S% percent%T2:"='%"
if not defined T3 goto :clean_ends
set "S=%S% percent%T3:"='%"
if not defined T4 goto :clean_ends
set "S=%S% percent%T4:"='%"
if not defined T5 goto :clean_ends
set "S=%S% percent%T5:"='%"
if not defined T6 goto :clean_ends
set "S=%S% percent%T6:"='%"
if not defined T7 goto :clean_ends
set "S=%S% percent%T7:"='%"
if not defined T8 goto :clean_ends
set "S=%S% percent%T8:"='%"
if not defined T9 goto :clean_ends
set "S=%S% percent%T9:"='%"
:clean_ends
set "S=%S:~1,-1%"
exit /b

rem fence IN OUT: copies each line of IN into OUT between two # marks, so
rem that a percent sign at either end of a line still lies between two pieces.
:fence
type nul >"%~2" 2>nul
for /f "usebackq delims=" %%L in ("%~1") do >>"%~2" echo #%%L#
exit /b
