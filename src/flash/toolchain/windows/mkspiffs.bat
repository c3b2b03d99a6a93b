@echo off
rem Builds the clock's file system image from the digit pictures in data\.
rem
rem The desk clock program runs this file hidden, as
rem     cmd.exe /d /s /c ""full path of this file""
rem with no working directory set and nothing to read from. Everything this
rem script and the builder print goes to mkspiffs.log beside it.
rem Exit status: 0 when the image was built, the builder's status when it
rem failed, 1 when it could not be run.
setlocal EnableExtensions DisableDelayedExpansion

rem ---- Flash layout ---------------------------------------------------------
rem ESP8266 with 4 MB flash and a 1 MB file system at 0x300000. The page
rem and block sizes -p 256 -b 8192 match the SPIFFS of the clock's firmware.
rem If you change the layout, change the same values in esptool.bat too.
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

rem Find the image builder. A mkspiffs.exe put into this folder comes first,
rem so that anyone who wants the original tool can have it; otherwise
rem spiffs_builder.exe, the builder that comes with the program. Nothing on
rem the PATH takes part: a mkspiffs built for another chip would make images
rem that the clock cannot read. Always with the extension, so that nothing
rem named mkspiffs.bat is ever run instead.
set "TOOL=%~dp0spiffs_builder.exe"
set "ABOUT=spiffs_builder.exe, the program's own"
if exist "%~dp0mkspiffs.exe" set "ABOUT=mkspiffs.exe from this folder (it overrides spiffs_builder.exe)"
if exist "%~dp0mkspiffs.exe" set "TOOL=%~dp0mkspiffs.exe"
for %%F in ("%TOOL%") do set "TOOLNAME=%%~nxF"

>> "%LOG%" echo %DATE% %TIME%  mkspiffs.bat in "%CD%"
>> "%LOG%" echo Builder: %ABOUT%
>> "%LOG%" echo Running: "%TOOL%" -c "%DATA%" -p %FS_PAGE% -b %FS_BLOCK% -s %FS_SIZE% "%TMPIMAGE%"

if not exist "%TOOL%" goto :notool
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
>> "%LOG%" echo The image builder spiffs_builder.exe is missing from "%CD%": copy the esptool folder again from the program's package.
exit /b 1

:nodata
>> "%LOG%" echo The picture folder "%DATA%" is missing in "%CD%", so there is nothing to pack.
exit /b 1

:buildfailed
if exist "%TMPIMAGE%" del /f /q "%TMPIMAGE%" >nul 2>&1
>> "%LOG%" echo %TOOLNAME% failed with exit status %STATUS%; %IMAGE% was left unchanged.
exit /b %STATUS%

:noimage
if exist "%TMPIMAGE%" del /f /q "%TMPIMAGE%" >nul 2>&1
>> "%LOG%" echo %TOOLNAME% reported success but wrote no image; %IMAGE% was left unchanged.
exit /b 1

:movefailed
if exist "%TMPIMAGE%" del /f /q "%TMPIMAGE%" >nul 2>&1
>> "%LOG%" echo Could not replace %IMAGE% with the new image; is it open in another program?
exit /b 1
