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
rem one line for a person, "Result: " and what happened; when an esptool
rem step failed, the program reads why from the lines between the step's
rem Running: and failure lines. common.bat keeps the run's folder and log.
rem Exit status: esptool's own, or 1 when the upload could not start.
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
set "PART="
set "COPYING="

rem The port from the first line, without blanks. A real port name holds
rem letters, digits and . _ - / only; anything else in the first line is not
rem a port and never reaches a command.
set "PORT="
if defined com call :portname

rem Work in this script's own folder, with a folder of this run's own for
rem the log, esptool's output and the image (see common.bat).
cd /d "%~dp0" 2>nul
set "REASON=cannot change to the folder of esptool.bat."
if not exist "%~nx0" goto :alone
set "HERE=%CD%"
set "COMMON=%HERE%\common.bat"
set "REASON=the script common.bat is missing: copy the esptool folder again from the program's build or package."
if not exist "%COMMON%" goto :alone
call "%COMMON%" start esptool
set "SCRATCH=%RUNDIR%\esptool.out"
set "MACFILE=%RUNDIR%\mac.txt"
set "UPLOAD=%RUNDIR%\%IMAGE%"

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

set "REASON=cannot write into the esptool folder: it is read-only."
if "%RUNLOG%"=="nul" goto :finish
set "REASON=no usable serial port was chosen: click Refresh, choose the clock's port and upload again."
if not defined PORT goto :finish
set "REASON=esptool is not installed: put esptool.exe from an esptool release into the esptool folder, or install Python and run 'pip install esptool'."
if not defined RUNCMD goto :finish
set "REASON=there is no image to upload: click Compile Custom Picture first."
if not exist "%IMAGE%" goto :finish
set "REASON=cannot write into the esptool folder: it is read-only."
if not defined RUNDIR goto :finish

rem The image of this upload, copied now into the run's folder: a compile
rem from here on changes only the next upload, and never meets a spiffs.bin
rem that esptool holds open.
copy /b /y "%IMAGE%" "%UPLOAD%" >nul 2>&1
set "GOT=0"
for %%F in ("%IMAGE%") do set "WANT=%%~zF"
if exist "%UPLOAD%" for %%F in ("%UPLOAD%") do set "GOT=%%~zF"
set "REASON=the image cannot be copied for the upload (%GOT% of %WANT% bytes): is the disk full?"
if not "%GOT%"=="%WANT%" goto :finish

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
set ARGS=%CONNECT% --after no_reset read_mac
call :step read_mac
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
set ARGS=%CONNECT% --after no_reset read_flash %FS_OFFSET% %FS_SIZE% "%PART%"
call :step read_flash
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
set ARGS=%CONNECT% --after hard_reset write_flash %FS_OFFSET% "%UPLOAD%"
call :step write_flash
if not "%STATUS%"=="0" goto :stepfailed
>>"%RUNLOG%" echo Upload finished.
set "REASON=the image is on the clock on %PORT%."
goto :finish

rem ---- How it ended ---------------------------------------------------------

rem An esptool step failed: the result names it; the program reads why from
rem the lines that :step wrote.
:stepfailed
if defined COPYING call :explain_no_backup
set "REASON=esptool's %STEP% failed on %PORT% with exit status %STATUS%: see the lines above."
goto :finish

rem No copy of the clock's file system: stops before anything is written to
rem the clock, saying WHY.
:nobackup
call :explain_no_backup
set "STATUS=1"
set "REASON=no copy of the clock's pictures could be kept (%WHY%): to upload without one, put an empty file named %NO_BACKUP% into the esptool folder."

rem A copy of the clock that was not finished goes.
:finish
if defined PART if exist "%PART%" if not exist "%PART%\*" del /f /q "%PART%" >nul 2>&1
call "%COMMON%" finish
exit /b %STATUS%

rem Outside its folder, or without common.bat: the result line alone.
:alone
>>"%~dp0%LOG%" echo Result: %REASON%
exit /b 1

rem ---- Subroutines ----------------------------------------------------------

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

rem step COMMAND: runs esptool with ARGS, its output into SCRATCH and then
rem into the log, and sets STATUS to its exit status and STEP to COMMAND.
:step
set "STEP=%~1"
>>"%RUNLOG%" echo Running: %SHOWN% %ARGS%
%RUNCMD% %ARGS% <nul >"%SCRATCH%" 2>&1
set "STATUS=%ERRORLEVEL%"
type "%SCRATCH%" >>"%RUNLOG%" 2>nul
if not "%STATUS%"=="0" >>"%RUNLOG%" echo esptool failed with exit status %STATUS%.
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
