@echo off
rem Builds the clock's file system image from the digit pictures in data\.
rem
rem The desk clock program runs this file hidden, as
rem     cmd.exe /d /s /c ""full path of this file""
rem with no working directory set and nothing to read from. Everything this
rem script and the builder print goes to mkspiffs.log beside it, which ends
rem with one line for a person, "Result: " and what happened. The program
rem shows that line when the build failed. common.bat beside it keeps the
rem run's folder and log.
rem Exit status: 0 when the image was built, the builder's status when it
rem failed, 1 when it could not be run.
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

rem Work in this script's own folder. Two builds may run at once (two
rem windows, or one started by hand): each one writes its log and its image
rem into a folder of its own, mkspiffs.N.run, and puts them in place when it
rem ends, so the log is always one run's and the image always a whole one.
cd /d "%~dp0" 2>nul
set "REASON=cannot change to the folder of mkspiffs.bat."
if not exist "%~nx0" goto :alone
set "HERE=%CD%"
set "COMMON=%HERE%\common.bat"
set "REASON=the script common.bat is missing: copy the esptool folder again from the program's build or package."
if not exist "%COMMON%" goto :alone
call "%COMMON%" start mkspiffs
set "TMPIMAGE=%RUNDIR%\%IMAGE%"
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

set "REASON=the image builder spiffs_builder.exe is missing: copy the esptool folder again from the program's build or package."
if not exist "%TOOL%" goto :finish
set "REASON=the picture folder esptool\%DATA% is missing: make it again, or copy the esptool folder again."
if not exist "%DATA%\*" goto :finish
set "REASON=the image cannot be written: esptool\%IMAGE% is a folder."
if exist "%IMAGE%\*" goto :finish
set "REASON=the image cannot be written: the esptool folder is read-only."
if not defined LOGINRUN goto :finish

rem Build into the run's own image and replace spiffs.bin only on success, so
rem a failed build never leaves a half-written image for esptool.bat to
rem upload. The builder's own reason for a failure is the last line of its
rem error output that starts with its name.
"%TOOL%" -c "%DATA%" -p %FS_PAGE% -b %FS_BLOCK% -s %FS_SIZE% "%TMPIMAGE%" <nul >>"%RUNLOG%" 2>"%ERRORS%"
set "STATUS=%ERRORLEVEL%"
type "%ERRORS%" >>"%RUNLOG%" 2>nul
if not "%STATUS%"=="0" goto :buildfailed
set "STATUS=1"
set "REASON=%TOOLFILE% reported success but wrote no image; %IMAGE% was left unchanged."
if not exist "%TMPIMAGE%" goto :finish
for %%F in ("%TMPIMAGE%") do if "%%~zF"=="0" goto :finish
call "%COMMON%" move "%TMPIMAGE%" "%IMAGE%"
set "REASON=the image cannot be written: esptool\%IMAGE% cannot be replaced: close the program that has it open and compile again."
if exist "%TMPIMAGE%" goto :finish
>>"%RUNLOG%" echo Built "%HERE%\%IMAGE%".
set "STATUS=0"
set "REASON=the image is built."
goto :finish

:buildfailed
>>"%RUNLOG%" echo %TOOLFILE% failed with exit status %STATUS%; %IMAGE% was left unchanged.
call "%COMMON%" after "%ERRORS%" "%TOOLNAME%"
set "REASON=%AFTER%"
if not defined AFTER set "REASON=%TOOLFILE% failed with exit status %STATUS%: see %LOG%."

:finish
call "%COMMON%" finish
exit /b %STATUS%

rem Outside its folder, or without common.bat: the result line alone.
:alone
>>"%~dp0%LOG%" echo Result: %REASON%
exit /b 1
