set com=COM3 
@echo off
rem Uploads the file system image built by mkspiffs.bat to the clock. The
rem first upload to a clock first keeps a copy of what its file system holds,
rem in backup\ (see "Keeping the clock's own pictures" below).
rem
rem The first line above holds the serial port; the desk clock program
rem rewrites it before each upload, so keep it the first line and keep
rem nothing before it.
rem
rem The program runs this file hidden, as
rem     cmd.exe /d /s /c ""full path of this file""
rem with no working directory set and nothing to read from. Everything this
rem script and esptool print goes to esptool.log beside it, which ends with
rem one line for a person, "Result: " and what happened. The program shows
rem that line when the upload failed.
rem Exit status: esptool's own, or 1 when the upload could not start.
rem
rem For editing: esptool's output may hold any character. It is only read
rem with FOR /F, and expanded only once :clean has taken out every double
rem quote and percent sign, so that cmd never runs any of its text.
setlocal EnableExtensions DisableDelayedExpansion

rem ---- Flash layout ---------------------------------------------------------
rem ESP8266 with 4 MB flash and a 1 MB file system at 0x300000, 0xFA000 bytes,
rem built by mkspiffs.bat with page 256 and block 8192. If you change the
rem layout, change mkspiffs.bat to match.
set "FS_OFFSET=0x300000"
rem 1024000 bytes, the FS_SIZE of mkspiffs.bat.
set "FS_SIZE=0xFA000"
rem The image built into this folder by mkspiffs.bat.
set "IMAGE=spiffs.bin"
set "CHIP=esp8266"
set "BAUD=460800"
rem ---------------------------------------------------------------------------

set "LOG=esptool.log"
rem The clocks' own file systems, one per clock.
set "BACKUP=backup"
rem An empty file of this name skips the copy.
set "NO_BACKUP=no-backup"
set "STATUS=1"
set "RUNDIR="
set "LOGINRUN="
set "PART="
set "COPYING="

rem The port from the first line, without blanks. A real port name holds
rem letters, digits and . _ - / only; anything else in the first line is not
rem a port and never reaches a command.
set "PORT="
if defined com call :portname

rem Work in this script's own folder. The checks below look at the result
rem instead of relying on an exit code.
cd /d "%~dp0" 2>nul
if not exist "%~nx0" goto :nofolder
set "HERE=%CD%"

rem Each run writes its log and esptool's output into a folder of its own,
rem esptool.N.run, and puts the log in place when it ends, so that the log is
rem always one run's.
set "CLAIM_IN="
set "CLAIM_NAME=esptool"
call :claim
set "RUNLOG=%LOG%"
if not defined RUNDIR goto :loginplace
set "RUNLOG=%RUNDIR%\%LOG%"
set "LOGINRUN=1"
goto :logready
:loginplace
rem A read-only folder that still lets its log be written: say why there,
rem and keep esptool's output in a folder of this run's own in TEMP. With
rem no log at all, nothing is run.
type nul >"%LOG%" 2>nul
set "SIZE="
if exist "%LOG%" for %%F in ("%LOG%") do set "SIZE=%%~zF"
if not "%SIZE%"=="0" set "RUNLOG=nul"
if defined TEMP set "CLAIM_IN=%TEMP%\"
if defined TEMP call :claim
:logready
set "SCRATCH=%RUNDIR%\esptool.out"
set "MACFILE=%RUNDIR%\mac.txt"
set "LINES=%RUNDIR%\lines.txt"

rem Find esptool: esptool.exe in this folder, then esptool.exe or
rem esptool.py.exe on the PATH, then Python's esptool module. Always with
rem the extension: a bare "esptool" would find this very esptool.bat.
set "TOOL="
set "PYTHON="
if exist "esptool.exe" set "TOOL=%HERE%\esptool.exe"
if not defined TOOL for %%I in (esptool.exe) do set "TOOL=%%~$PATH:I"
if not defined TOOL for %%I in (esptool.py.exe) do set "TOOL=%%~$PATH:I"
if defined TOOL goto :found
for %%I in (python.exe) do set "PYTHON=%%~$PATH:I"
if not defined PYTHON goto :found
"%PYTHON%" -c "import esptool" <nul >nul 2>&1
if errorlevel 1 set "PYTHON="
:found
set "RUNCMD="
set "SHOWN=esptool.exe"
if defined PYTHON set RUNCMD="%PYTHON%" -m esptool
if defined TOOL set RUNCMD="%TOOL%"
if defined RUNCMD set SHOWN=%RUNCMD%

rem The options of the connection to the clock; each step adds what esptool
rem does after it and the command.
set CONNECT=--chip %CHIP% --port "%PORT%" --baud %BAUD% --before default_reset
>>"%RUNLOG%" echo %DATE% %TIME%  esptool.bat in "%HERE%"
>>"%RUNLOG%" echo Running: %SHOWN% %CONNECT% --after hard_reset write_flash %FS_OFFSET% "%IMAGE%"

if "%RUNLOG%"=="nul" goto :readonly
if not defined PORT goto :noport
if not defined RUNCMD goto :notool
if not exist "%IMAGE%" goto :noimage
if not defined RUNDIR goto :readonly

rem ---- Keeping the clock's own pictures -------------------------------------
rem The upload overwrites the whole file system. Before the first upload to a
rem clock, its file system area is read into backup\MAC.bin, named after the
rem chip's MAC address (5c-cf-7f-51-4d-01), and unpacked into backup\MAC\. A
rem copy that exists is never read again nor changed. No copy, no upload:
rem when the copy cannot be made, nothing is written to the clock.

if not exist "%NO_BACKUP%" goto :copy
>>"%RUNLOG%" echo Not keeping a copy of the clock's file system: %NO_BACKUP% is present.
goto :upload

:copy
set "COPYING=1"
set "WHAT=esptool could not read the clock's MAC address"
set ARGS=%CONNECT% --after no_reset read_mac
call :step
if not "%STATUS%"=="0" goto :stepfailed
call :readmac
set "WHY=esptool named no MAC address for the clock"
if not defined CLOCK goto :nobackup
set "COPY=%BACKUP%\%CLOCK%.bin"
set "WHY=esptool\%COPY% is there but is not a file"
if exist "%COPY%\*" goto :nobackup
if not exist "%COPY%" goto :newcopy
>>"%RUNLOG%" echo The clock %CLOCK% was copied before: "%HERE%\%COPY%" is kept as it is.
goto :copied

:newcopy
if not exist "%BACKUP%\*" mkdir "%BACKUP%" >nul 2>&1
set "WHY=the folder esptool\%BACKUP% cannot be made"
if not exist "%BACKUP%\*" goto :nobackup
rem esptool reads into a temporary name, which becomes the copy only once
rem it holds the whole area.
set "PART=%BACKUP%\%CLOCK%.part"
if exist "%PART%" if not exist "%PART%\*" del /f /q "%PART%" >nul 2>&1
type nul >"%PART%" 2>nul
set "WHY=the folder esptool\%BACKUP% is read-only"
if not exist "%PART%" goto :nobackup
set "WHAT=esptool could not read the clock's file system"
set ARGS=%CONNECT% --after no_reset read_flash %FS_OFFSET% %FS_SIZE% "%PART%"
call :step
if not "%STATUS%"=="0" goto :stepfailed
rem The size as a string: IF compares numbers with a leading 0 as octal.
set /a WANT=%FS_SIZE%
set "GOT=0"
for %%F in ("%PART%") do if exist "%PART%" set "GOT=%%~zF"
set "WHY=esptool read %GOT% bytes of %WANT%; is the disk full?"
if not "%GOT%"=="%WANT%" goto :nobackup
ren "%PART%" "%CLOCK%.bin" >nul 2>&1
set "WHY=esptool\%PART% cannot be renamed to %CLOCK%.bin"
if not exist "%COPY%" goto :nobackup
set "PART="
>>"%RUNLOG%" echo Kept the clock's file system in "%HERE%\%COPY%".
rem The pictures as files, for a user to look at or to use as a custom set.
if not exist "spiffs_builder.exe" goto :notunpacked
"%HERE%\spiffs_builder.exe" -u "%BACKUP%\%CLOCK%" "%COPY%" <nul >>"%RUNLOG%" 2>&1
if errorlevel 1 goto :notunpacked
>>"%RUNLOG%" echo Its files are in "%HERE%\%BACKUP%\%CLOCK%\".
goto :copied
:notunpacked
>>"%RUNLOG%" echo Its files could not be unpacked (a blank area, another file system, or no spiffs_builder.exe here); the raw copy "%COPY%" is kept.
:copied
set "COPYING="

rem ---- The upload -----------------------------------------------------------

:upload
set "WHAT=esptool could not write the image"
set ARGS=%CONNECT% --after hard_reset write_flash %FS_OFFSET% "%IMAGE%"
call :step
if not "%STATUS%"=="0" goto :stepfailed
>>"%RUNLOG%" echo Upload finished.
set "REASON=the image is on the clock on %PORT%."
goto :finish

rem ---- How it ended ---------------------------------------------------------

:nofolder
set "RUNLOG=%~dp0%LOG%"
set "REASON=cannot change to the folder %~dp0."
goto :finish

:noport
set "REASON=no usable serial port was chosen: click Refresh, choose the clock's port and upload again."
goto :finish

:notool
set "REASON=esptool is not installed: put esptool.exe from an esptool release into the esptool folder, or install Python and run 'pip install esptool'."
goto :finish

:noimage
set "REASON=there is no image to upload: click Compile Custom Picture first."
goto :finish

:readonly
set "REASON=cannot write into the esptool folder: it is read-only."
goto :finish

rem A step of esptool failed: the reason that its output shows, else WHAT.
:stepfailed
if defined PART if exist "%PART%" if not exist "%PART%\*" del /f /q "%PART%" >nul 2>&1
if not defined CAUSE goto :stepfailed_unknown
if defined COPYING call :explain_no_backup
goto :cause_%CAUSE%
:stepfailed_unknown
set "WHY=%WHAT%"
if defined COPYING goto :nobackup
set "REASON=%WHAT% (esptool's exit status %STATUS%): see %LOG%."
goto :finish

:cause_inuse
set "REASON=the port %PORT% is in use by another program: close it (a serial monitor, another flashing tool) and upload again."
goto :finish
:cause_noport
set "REASON=the port %PORT% does not exist: plug the clock in, click Refresh, choose its port and upload again."
goto :finish
:cause_noanswer
set "REASON=the clock does not answer on %PORT%: check that the cable carries data and that this is the clock's port, then upload again."
goto :finish
:cause_stopped
set "REASON=the clock stopped answering during the upload: check the cable and upload again."
goto :finish
:cause_lost
set "REASON=the connection to the clock was lost during the upload (was the cable pulled?): plug it in again and upload again."
goto :finish
:cause_refused
set "REASON=the clock refused the write to its flash: unplug it, plug it in again and upload again."
goto :finish
:cause_fatal
set "REASON=%FATAL%"
goto :finish

rem No copy of the clock's file system: stops before anything is written to
rem the clock, saying WHY.
:nobackup
if defined PART if exist "%PART%" if not exist "%PART%\*" del /f /q "%PART%" >nul 2>&1
call :explain_no_backup
set "STATUS=1"
set "REASON=no copy of the clock's pictures could be kept (%WHY%): to upload without one, put an empty file named %NO_BACKUP% into the esptool folder."
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

:explain_no_backup
>>"%RUNLOG%" echo No copy of the clock's file system could be kept, so nothing was written to the clock. To upload without keeping a copy, put an empty file named %NO_BACKUP% into "%HERE%".
exit /b

rem Sets PORT to com without its blanks when every character of it is one
rem that a port name holds.
:portname
set "P=%com:"=?%"
set "P=%P: =%"
if not defined P exit /b
set "REST=%P%"
:portname_next
if not defined REST goto :portname_done
set "C=%REST:~0,1%"
set "REST=%REST:~1%"
set "GOOD="
for %%H in (a b c d e f g h i j k l m n o p q r s t u v w x y z 0 1 2 3 4 5 6 7 8 9 . _ - /) do if /i "%C%"=="%%H" set "GOOD=1"
if not defined GOOD exit /b
goto :portname_next
:portname_done
set "PORT=%P%"
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

rem Runs esptool with ARGS, its output into SCRATCH and then into the log.
rem Sets STATUS to its exit status and, when it failed, CAUSE (see :classify).
:step
set "CAUSE="
>>"%RUNLOG%" echo Running: %SHOWN% %ARGS%
%RUNCMD% %ARGS% <nul >"%SCRATCH%" 2>&1
set "STATUS=%ERRORLEVEL%"
type "%SCRATCH%" >>"%RUNLOG%" 2>nul
if "%STATUS%"=="0" exit /b
>>"%RUNLOG%" echo esptool failed with exit status %STATUS%.
call :classify
exit /b

rem Sets CLOCK to the clock's name, from the first line of read_mac's output
rem whose first word is "MAC:": its second word when that is exactly six
rem pairs of hex digits with a colon between them, in lower case with a
rem dash between them (5c-cf-7f-51-4d-01). Anything else leaves CLOCK empty
rem and never reaches a path.
:readmac
set "CLOCK="
set "MACSEEN="
if exist "%MACFILE%" del /f /q "%MACFILE%" >nul 2>&1
for /f "usebackq tokens=1,2" %%A in ("%SCRATCH%") do (
    if "%%A"=="MAC:" if not defined MACSEEN >"%MACFILE%" echo 0%%B
    if "%%A"=="MAC:" set "MACSEEN=1"
)
if not exist "%MACFILE%" exit /b
rem Any character but a hex digit or a colon makes a token here.
for /f "usebackq tokens=1 delims=0123456789abcdefABCDEF:" %%X in ("%MACFILE%") do exit /b
set "M="
for /f "usebackq delims=" %%X in ("%MACFILE%") do set "M=%%X"
if not defined M exit /b
set "M=%M:~1%"
if not defined M exit /b
if not "%M:~17%"=="" exit /b
if "%M:~16,1%"=="" exit /b
if not "%M:~2,1%%M:~5,1%%M:~8,1%%M:~11,1%%M:~14,1%"==":::::" exit /b
set "H=%M::=%"
if not defined H exit /b
if not "%H:~12%"=="" exit /b
if "%H:~11,1%"=="" exit /b
set "M=%M::=-%"
set "M=%M:A=a%"
set "M=%M:B=b%"
set "M=%M:C=c%"
set "M=%M:D=d%"
set "M=%M:E=e%"
set "M=%M:F=f%"
set "CLOCK=%M%"
exit /b

rem Sets CAUSE to what esptool's output in SCRATCH shows went wrong: inuse,
rem noport, noanswer, stopped, lost, refused, or fatal with FATAL holding the
rem text of its last "A fatal error occurred:" line; leaves it empty when the
rem output says nothing known. Each line is looked at once :clean made it safe.
:classify
set "CAUSE="
set "FATAL="
for %%V in (INUSE NOPORT NOANSWER STOPPED LOST REFUSED) do set "SEEN_%%V="
set "FENCE_IN=%SCRATCH%"
set "FENCE_OUT=%LINES%"
call :fence
for /f "usebackq tokens=1-9 delims=%%" %%a in ("%LINES%") do (
    set "T1=%%a"
    set "T2=%%b"
    set "T3=%%c"
    set "T4=%%d"
    set "T5=%%e"
    set "T6=%%f"
    set "T7=%%g"
    set "T8=%%h"
    set "T9=%%i"
    call :classify_line
)
call :fatal_trim
if defined FATAL set "CAUSE=fatal"
if defined SEEN_REFUSED set "CAUSE=refused"
if defined SEEN_LOST set "CAUSE=lost"
if defined SEEN_STOPPED set "CAUSE=stopped"
if defined SEEN_NOANSWER set "CAUSE=noanswer"
if defined SEEN_NOPORT set "CAUSE=noport"
if defined SEEN_INUSE set "CAUSE=inuse"
exit /b

:classify_line
call :clean
if not defined S exit /b
rem On Windows esptool tells why it could not open the port in one line:
rem could not open port 'COM7': FileNotFoundError(2, ...) when there is no
rem such port, PermissionError(13, 'Access is denied.', ...) when another
rem program holds it.
set "OPEN="
if not "%S:could not open port=%"=="%S%" set "OPEN=1"
if defined OPEN if not "%S:PermissionError=%"=="%S%" set "SEEN_INUSE=1"
if defined OPEN if not "%S:Access is denied=%"=="%S%" set "SEEN_INUSE=1"
if defined OPEN if not "%S:FileNotFoundError=%"=="%S%" set "SEEN_NOPORT=1"
if not "%S:doesn't exist=%"=="%S%" set "SEEN_NOPORT=1"
if not "%S:No serial data received=%"=="%S%" set "SEEN_NOANSWER=1"
if not "%S:Failed to connect=%"=="%S%" set "SEEN_NOANSWER=1"
if not "%S:stopped responding=%"=="%S%" set "SEEN_STOPPED=1"
if not "%S:Could not configure port=%"=="%S%" set "SEEN_LOST=1"
if not "%S:Cannot configure port=%"=="%S%" set "SEEN_LOST=1"
if not "%S:Input/output error=%"=="%S%" set "SEEN_LOST=1"
if not "%S:WriteFile failed=%"=="%S%" set "SEEN_LOST=1"
if not "%S:ReadFile failed=%"=="%S%" set "SEEN_LOST=1"
if not "%S:ClearCommError failed=%"=="%S%" set "SEEN_LOST=1"
if not "%S:GetOverlappedResult failed=%"=="%S%" set "SEEN_LOST=1"
if not "%S:Failed to enter compressed flash mode=%"=="%S%" set "SEEN_REFUSED=1"
if not "%S:Failed SPI operation=%"=="%S%" set "SEEN_REFUSED=1"
if not "%S:A fatal error occurred:=%"=="%S%" set "FATAL=%S:*A fatal error occurred:=%"
exit /b

rem Takes the blanks off the start of FATAL.
:fatal_trim
if not defined FATAL exit /b
if not "%FATAL:~0,1%"==" " exit /b
set "FATAL=%FATAL:~1%"
goto :fatal_trim

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
