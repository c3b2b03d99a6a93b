@echo off
rem Builds the clock's file system image from the digit pictures in data\.
rem
rem The desk clock program runs this file hidden, as
rem     cmd.exe /d /s /c ""full path of this file""
rem with no working directory set and nothing to read from. Everything this
rem script and mkspiffs print goes to mkspiffs.log beside it.
rem Exit status: 0 when the image was built, mkspiffs's status when it
rem failed, 1 when it could not be run.
setlocal EnableExtensions DisableDelayedExpansion

rem ---- Flash layout ---------------------------------------------------------
rem ESP8266 with 4 MB flash and a 1 MB file system at 0x300000. The clock
rem needs the ESP8266 Arduino build of mkspiffs: its page/block layout
rem -p 256 -b 8192 matches the SPIFFS of the ESP8266 Arduino core. If you
rem change the layout, change the same values in esptool.bat too.
rem FS_SIZE is 0xFA000 bytes.
set "FS_SIZE=1024000"
set "FS_PAGE=256"
set "FS_BLOCK=8192"
rem The image is written into this folder and uploaded by esptool.bat.
set "IMAGE=spiffs.bin"
rem The folder with the pictures 0.jpg .. 9.jpg.
set "DATA=data"
rem ---------------------------------------------------------------------------

set "LOG=mkspiffs.log"
set "TMPIMAGE=%IMAGE%.tmp"

rem Work in this script's own folder. The checks below look at the result
rem instead of relying on an exit code.
cd /d "%~dp0" 2>nul
if not exist "%~nx0" goto :nofolder

rem Start a fresh log; if this folder is read-only, go on without one.
if exist "%LOG%" del /f /q "%LOG%" >nul 2>&1
type nul > "%LOG%" 2>nul
if not exist "%LOG%" set "LOG=nul"

rem Find mkspiffs.exe: this folder first, then the PATH. Always with its
rem extension, so that nothing named mkspiffs.bat is ever run instead.
set "TOOL="
if exist "%~dp0mkspiffs.exe" set "TOOL=%~dp0mkspiffs.exe"
if not defined TOOL for %%I in (mkspiffs.exe) do set "TOOL=%%~$PATH:I"
set "SHOWN=%TOOL%"
if not defined SHOWN set "SHOWN=mkspiffs.exe"

>> "%LOG%" echo %DATE% %TIME%  mkspiffs.bat in "%CD%"
>> "%LOG%" echo Running: "%SHOWN%" -c "%DATA%" -p %FS_PAGE% -b %FS_BLOCK% -s %FS_SIZE% "%TMPIMAGE%"

if not defined TOOL goto :notool
if not exist "%DATA%\" goto :nodata

rem Build into a temporary file and replace the image only on success, so a
rem failed build never leaves a half-written image for esptool.bat to upload.
if exist "%TMPIMAGE%" del /f /q "%TMPIMAGE%" >nul 2>&1
"%TOOL%" -c "%DATA%" -p %FS_PAGE% -b %FS_BLOCK% -s %FS_SIZE% "%TMPIMAGE%" >> "%LOG%" 2>&1
set "STATUS=%ERRORLEVEL%"
if not "%STATUS%"=="0" goto :buildfailed
if not exist "%TMPIMAGE%" goto :noimage
for %%F in ("%TMPIMAGE%") do if "%%~zF"=="0" goto :noimage
move /y "%TMPIMAGE%" "%IMAGE%" >nul 2>&1
if exist "%TMPIMAGE%" goto :movefailed
>> "%LOG%" echo Built "%CD%\%IMAGE%".
exit /b 0

:nofolder
>> "%~dp0%LOG%" echo mkspiffs.bat: cannot change to the folder "%~dp0".
exit /b 1

:notool
>> "%LOG%" echo mkspiffs was not found: put the ESP8266 build of mkspiffs.exe into this folder or on the PATH.
exit /b 1

:nodata
>> "%LOG%" echo The picture folder "%DATA%" is missing in "%CD%", so there is nothing to pack.
exit /b 1

:buildfailed
if exist "%TMPIMAGE%" del /f /q "%TMPIMAGE%" >nul 2>&1
>> "%LOG%" echo mkspiffs failed with exit status %STATUS%; %IMAGE% was left unchanged.
exit /b %STATUS%

:noimage
if exist "%TMPIMAGE%" del /f /q "%TMPIMAGE%" >nul 2>&1
>> "%LOG%" echo mkspiffs reported success but wrote no image; %IMAGE% was left unchanged.
exit /b 1

:movefailed
if exist "%TMPIMAGE%" del /f /q "%TMPIMAGE%" >nul 2>&1
>> "%LOG%" echo Could not replace %IMAGE% with the new image; is it open in another program?
exit /b 1
