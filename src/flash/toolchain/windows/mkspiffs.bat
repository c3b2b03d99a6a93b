@echo off
rem Builds the clock's file system image from the digit pictures in data\.
rem
rem The desk clock program runs this file hidden, as
rem     cmd.exe /d /s /c ""full path of this file""
rem with no working directory set and nothing to read from. Everything this
rem script and the builder print goes to mkspiffs.log beside it, which ends
rem with one line for a person, "Result: " and what happened. The program
rem shows that line when the build failed.
rem Exit status: 0 when the image was built, the builder's status when it
rem failed, 1 when it could not be run.
rem
rem For editing: the builder's messages may hold any character. They are only
rem read with FOR /F, and expanded only once :clean has taken out every double
rem quote and percent sign, so that cmd never runs any of their text.
setlocal EnableExtensions DisableDelayedExpansion

rem ---- Flash layout ---------------------------------------------------------
rem ESP8266 with 4 MB flash and a 1 MB file system at 0x300000. The page
rem and block sizes -p 256 -b 8192 match the SPIFFS of the clock's firmware.
rem If you change the layout, change the same values in esptool.bat
rem (FS_OFFSET, FS_SIZE) too. FS_SIZE is 0xFA000 bytes.
set "FS_SIZE=1024000"
set "FS_PAGE=256"
set "FS_BLOCK=8192"
rem The image is written into this folder and uploaded by esptool.bat.
set "IMAGE=spiffs.bin"
rem The folder with the pictures 0.jpg .. 9.jpg.
set "DATA=data"
rem ---------------------------------------------------------------------------

set "LOG=mkspiffs.log"
set "STATUS=1"
set "RUNDIR="
set "LOGINRUN="

rem Work in this script's own folder. The checks below look at the result
rem instead of relying on an exit code.
cd /d "%~dp0" 2>nul
if not exist "%~nx0" goto :nofolder
set "HERE=%CD%"

rem Two builds may run at once (two windows, or one started by hand): each one
rem writes its log and its image into a folder of its own, mkspiffs.N.run,
rem and puts them in place when it ends, so the log is always one run's and
rem the image always a whole one.
set "CLAIM_IN="
set "CLAIM_NAME=mkspiffs"
call :claim
set "RUNLOG=%LOG%"
if not defined RUNDIR goto :loginplace
set "RUNLOG=%RUNDIR%\%LOG%"
set "LOGINRUN=1"
goto :logready
:loginplace
rem A read-only folder that still lets its log be written: say why there.
type nul >"%LOG%" 2>nul
set "SIZE="
if exist "%LOG%" for %%F in ("%LOG%") do set "SIZE=%%~zF"
if not "%SIZE%"=="0" set "RUNLOG=nul"
:logready
set "TMPIMAGE=%IMAGE%.tmp"
if defined RUNDIR set "TMPIMAGE=%RUNDIR%\%IMAGE%"
set "ERRORS=%RUNDIR%\errors.txt"

rem Find the image builder. A mkspiffs.exe put into this folder comes first,
rem so that anyone who wants the original tool can have it; otherwise
rem spiffs_builder.exe, the builder that comes with the program. Nothing on
rem the PATH takes part: a mkspiffs built for another chip would make images
rem that the clock cannot read. Always with the extension, so that nothing
rem named mkspiffs.bat is ever run instead.
set "TOOL=%HERE%\spiffs_builder.exe"
set "ABOUT=spiffs_builder.exe, the program's own"
if exist "mkspiffs.exe" set "ABOUT=mkspiffs.exe from this folder (it overrides spiffs_builder.exe)"
if exist "mkspiffs.exe" set "TOOL=%HERE%\mkspiffs.exe"
for %%F in ("%TOOL%") do set "TOOLFILE=%%~nxF"
for %%F in ("%TOOL%") do set "TOOLNAME=%%~nF"

>>"%RUNLOG%" echo %DATE% %TIME%  mkspiffs.bat in "%HERE%"
>>"%RUNLOG%" echo Builder: %ABOUT%
>>"%RUNLOG%" echo Running: "%TOOL%" -c "%DATA%" -p %FS_PAGE% -b %FS_BLOCK% -s %FS_SIZE% "%TMPIMAGE%"

if not exist "%TOOL%" goto :notool
if not exist "%DATA%\*" goto :nodata
if exist "%IMAGE%\*" goto :imagefolder
if not defined RUNDIR goto :readonly

rem Build into the run's own image and replace spiffs.bin only on success, so
rem a failed build never leaves a half-written image for esptool.bat to
rem upload. The builder's own reason for a failure is the last line of its
rem error output that starts with its name.
"%TOOL%" -c "%DATA%" -p %FS_PAGE% -b %FS_BLOCK% -s %FS_SIZE% "%TMPIMAGE%" <nul >>"%RUNLOG%" 2>"%ERRORS%"
set "STATUS=%ERRORLEVEL%"
type "%ERRORS%" >>"%RUNLOG%" 2>nul
call :builder_reason
if not "%STATUS%"=="0" goto :buildfailed
set "STATUS=1"
if not exist "%TMPIMAGE%" goto :noimage
for %%F in ("%TMPIMAGE%") do if "%%~zF"=="0" goto :noimage
set "FROM=%TMPIMAGE%"
set "TO=%IMAGE%"
call :put_in_place
if exist "%TMPIMAGE%" goto :movefailed
>>"%RUNLOG%" echo Built "%HERE%\%IMAGE%".
set "STATUS=0"
set "REASON=the image is built."
goto :finish

:nofolder
set "RUNLOG=%~dp0%LOG%"
set "REASON=cannot change to the folder %~dp0."
goto :finish

:notool
set "REASON=the image builder spiffs_builder.exe is missing: copy the esptool folder again from the program's build or package."
goto :finish

:nodata
set "REASON=the picture folder esptool\%DATA% is missing: make it again, or copy the esptool folder again."
goto :finish

:imagefolder
set "REASON=the image cannot be written: esptool\%IMAGE% is a folder."
goto :finish

:readonly
set "REASON=the image cannot be written: the esptool folder is read-only."
goto :finish

:buildfailed
>>"%RUNLOG%" echo %TOOLFILE% failed with exit status %STATUS%; %IMAGE% was left unchanged.
set "REASON=%BREASON%"
if not defined BREASON set "REASON=%TOOLFILE% failed with exit status %STATUS%: see %LOG%."
goto :finish

:noimage
set "REASON=%TOOLFILE% reported success but wrote no image; %IMAGE% was left unchanged."
goto :finish

:movefailed
set "REASON=the image cannot be written: esptool\%IMAGE% cannot be replaced: close the program that has it open and compile again."
goto :finish

rem Ends the log with its result line, puts the log in place and removes
rem everything else of this run.
:finish
call :result
if not defined LOGINRUN goto :tidy
set "FROM=%RUNLOG%"
set "TO=%LOG%"
call :put_in_place
if exist "%RUNLOG%" copy /y "%RUNLOG%" "%LOG%" >nul 2>&1
:tidy
if defined RUNDIR rd /s /q "%RUNDIR%" >nul 2>&1
exit /b %STATUS%

rem ---- Subroutines ----------------------------------------------------------

rem Moves FROM over TO. A run that puts its own file there at the same moment
rem makes a move fail for that moment, so it tries up to ten times.
:put_in_place
set "TRIES=0"
:put_in_place_next
move /y "%FROM%" "%TO%" >nul 2>&1
if not exist "%FROM%" exit /b
set /a TRIES+=1
if %TRIES% lss 10 goto :put_in_place_next
exit /b

rem Makes a folder of this run's own, CLAIM_IN then CLAIM_NAME.N.run with a
rem random N, and sets RUNDIR to it. Making a folder fails when it exists, so
rem two runs never share one, even when both drew the same N (runs started in
rem the same second may draw the same numbers); a failure means another try.
rem Leaves RUNDIR empty when no folder can be made there.
:claim
set "RUNDIR="
set "TRIES=0"
:claim_next
set /a TRIES+=1
if %TRIES% gtr 50 exit /b
set "TRY=%CLAIM_IN%%CLAIM_NAME%.%RANDOM%.run"
mkdir "%TRY%" >nul 2>&1
if errorlevel 1 goto :claim_next
set "RUNDIR=%TRY%"
exit /b

rem Sets BREASON to the text after "NAME: " on the last line of the builder's
rem error output that starts so, NAME being the builder's name.
:builder_reason
set "BREASON="
if not exist "%ERRORS%" exit /b
set "FENCE_IN=%ERRORS%"
set "FENCE_OUT=%RUNDIR%\lines.txt"
call :fence
for /f "usebackq tokens=1-9 delims=%%" %%a in ("%FENCE_OUT%") do (
    set "T1=%%a"
    set "T2=%%b"
    set "T3=%%c"
    set "T4=%%d"
    set "T5=%%e"
    set "T6=%%f"
    set "T7=%%g"
    set "T8=%%h"
    set "T9=%%i"
    call :builder_line
)
exit /b
:builder_line
call :clean
if not defined S exit /b
set "REST=%S:*: =%"
if "%TOOLNAME%: %REST%"=="%S%" set "BREASON=%REST%"
exit /b

rem Writes "Result: " and REASON as the log's last line: one line, with no
rem percent sign (the program shows it as it is).
:result
for /f "tokens=1-9 delims=%%" %%a in ("#Result: %REASON%#") do (
    set "T1=%%a"
    set "T2=%%b"
    set "T3=%%c"
    set "T4=%%d"
    set "T5=%%e"
    set "T6=%%f"
    set "T7=%%g"
    set "T8=%%h"
    set "T9=%%i"
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

rem Copies each line of FENCE_IN into FENCE_OUT between two # marks, so that
rem a percent sign at either end of a line still lies between two pieces.
:fence
type nul >"%FENCE_OUT%" 2>nul
for /f "usebackq delims=" %%L in ("%FENCE_IN%") do >>"%FENCE_OUT%" echo #%%L#
exit /b
