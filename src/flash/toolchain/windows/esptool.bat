set com=COM3 
@echo off
rem Uploads the file system image built by mkspiffs.bat to the clock.
rem
rem The first line above holds the serial port; the desk clock program
rem rewrites it before each upload, so keep it the first line and keep
rem nothing before it.
rem
rem The program runs this file hidden, as
rem     cmd.exe /d /s /c ""full path of this file""
rem with no working directory set and nothing to read from. Everything this
rem script and esptool print goes to esptool.log beside it.
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

rem The port from the first line, without blanks around it.
set "PORT=%com%"
:trimend
if not defined PORT goto :trimstart
if not "%PORT:~-1%"==" " goto :trimstart
set "PORT=%PORT:~0,-1%"
goto :trimend
:trimstart
if not defined PORT goto :trimmed
if not "%PORT:~0,1%"==" " goto :trimmed
set "PORT=%PORT:~1%"
goto :trimstart
:trimmed

rem Work in this script's own folder. The checks below look at the result
rem instead of relying on an exit code.
cd /d "%~dp0" 2>nul
if not exist "%~nx0" goto :nofolder

rem Start a fresh log; if this folder is read-only, go on without one.
if exist "%LOG%" del /f /q "%LOG%" >nul 2>&1
type nul > "%LOG%" 2>nul
if not exist "%LOG%" set "LOG=nul"

rem Find esptool: esptool.exe in this folder, then esptool.exe or
rem esptool.py.exe on the PATH, then Python's esptool module. Always with
rem the extension: a bare "esptool" would find this very esptool.bat.
set "TOOL="
set "PYTHON="
if exist "%~dp0esptool.exe" set "TOOL=%~dp0esptool.exe"
if not defined TOOL for %%I in (esptool.exe) do set "TOOL=%%~$PATH:I"
if not defined TOOL for %%I in (esptool.py.exe) do set "TOOL=%%~$PATH:I"
if defined TOOL goto :found
for %%I in (python.exe) do set "PYTHON=%%~$PATH:I"
if not defined PYTHON goto :found
"%PYTHON%" -c "import esptool" < nul > nul 2>&1
if errorlevel 1 set "PYTHON="
:found
set "SHOWN=esptool.exe"
if defined PYTHON set SHOWN="%PYTHON%" -m esptool
if defined TOOL set SHOWN="%TOOL%"

set ESPARGS=--chip %CHIP% --port "%PORT%" --baud %BAUD% --before default_reset --after hard_reset write_flash %FS_OFFSET% "%IMAGE%"
>> "%LOG%" echo %DATE% %TIME%  esptool.bat in "%CD%"
>> "%LOG%" echo Running: %SHOWN% %ESPARGS%

if not defined PORT goto :noport
if not defined TOOL if not defined PYTHON goto :notool
if not exist "%IMAGE%" goto :noimage

if defined TOOL goto :runtool
"%PYTHON%" -m esptool %ESPARGS% < nul >> "%LOG%" 2>&1
set "STATUS=%ERRORLEVEL%"
goto :finished
:runtool
"%TOOL%" %ESPARGS% < nul >> "%LOG%" 2>&1
set "STATUS=%ERRORLEVEL%"
:finished
if not "%STATUS%"=="0" goto :uploadfailed
>> "%LOG%" echo Upload finished.
exit /b 0

:uploadfailed
>> "%LOG%" echo esptool failed with exit status %STATUS%.
exit /b %STATUS%

:nofolder
>> "%~dp0%LOG%" echo esptool.bat: cannot change to the folder "%~dp0".
exit /b 1

:noport
>> "%LOG%" echo No serial port is set: choose the clock's port in the program and upload again.
exit /b 1

:notool
>> "%LOG%" echo esptool was not found: put esptool.exe from an esptool release into this folder, or install Python and run 'pip install esptool'.
exit /b 1

:noimage
>> "%LOG%" echo The image %IMAGE% is missing in "%CD%": build it first with mkspiffs.bat.
exit /b 1
