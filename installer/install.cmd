@echo off
rem Installs iePagelens for Internet Explorer: copies iePagelens.dll from this folder to
rem "%ProgramFiles%\Velmora\iePagelens", registers it, and adds the browser's "Pagelens" toolbar
rem button and Tools menu entry and its helper object. Needs administrator rights; uninstall.cmd
rem undoes it. The library beside this script is 32-bit: on 64-bit Windows it goes to
rem "Program Files (x86)" and the 32-bit registry view, and the 64-bit one in x64\ (where the
rem package has it) goes to "Program Files" and the 64-bit view, so that tabs of either kind load
rem the one they can.
rem Exit codes: 0 installed, 2 iePagelens.dll missing here, 3 copy failed, 4 registration failed,
rem 5 no administrator rights, 6 browser entries not written.
setlocal

set "EXTENSION_KEY=HKLM\Software\Microsoft\Internet Explorer\Extensions\{66901551-019D-4626-B734-F879F16729DA}"
set "CLSID_EXTENSION={6074F29D-3144-4FA6-A9A5-41EF836D98B5}"
set "HELPER_KEY=HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\%CLSID_EXTENSION%"
rem The browser's own class that runs a command extension's IOleCommandTarget.
set "CLSID_COMMAND_HOST={1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"
set "VIEW=/reg:32"
set "PROGRAM_FILES=%ProgramFiles%"
if defined ProgramFiles(x86) set "PROGRAM_FILES=%ProgramFiles(x86)%"
set "REGSVR32=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set "REGSVR32=%SystemRoot%\SysWOW64\regsvr32.exe"
rem ProgramW6432 exists only on 64-bit Windows. A 32-bit cmd there sees SysWOW64 as System32, and
rem the real one as Sysnative.
set "WITH_X64="
if defined ProgramW6432 if exist "%~dp0x64\iePagelens.dll" set "WITH_X64=1"
set "REGSVR64=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "REGSVR64=%SystemRoot%\Sysnative\regsvr32.exe"

if not exist "%~dp0iePagelens.dll" goto no_library
call :require_admin
if errorlevel 1 goto no_admin

call :install_library "%~dp0iePagelens.dll" "%PROGRAM_FILES%\Velmora\iePagelens" "%REGSVR32%" /reg:32
if errorlevel 1 goto failed
echo iePagelens is installed in "%TARGET%".
if not defined WITH_X64 goto installed
call :install_library "%~dp0x64\iePagelens.dll" "%ProgramW6432%\Velmora\iePagelens" "%REGSVR64%" /reg:64
if errorlevel 1 goto failed
echo iePagelens for 64-bit tabs is installed in "%TARGET%".
:installed
echo Restart Internet Explorer to see the Pagelens button and the Tools menu entry.
exit /b 0

:failed
if errorlevel 6 goto browser_failed
if errorlevel 4 goto register_failed
goto copy_failed

rem One library: source, folder, regsvr32 of its bitness, registry view. Ends with 3, 4 or 6 as
rem the script does.
:install_library
set "TARGET=%~2"
set "DLL=%~2\iePagelens.dll"
set "VIEW=%~4"
if not exist "%TARGET%\" mkdir "%TARGET%"
copy /y "%~1" "%DLL%" >nul
if errorlevel 1 exit /b 3
"%~3" /s "%DLL%"
if errorlevel 1 exit /b 4
call :add_value "ButtonText" "Pagelens"
if errorlevel 1 exit /b 6
call :add_value "MenuText" "Pagelens Snapshot..."
if errorlevel 1 exit /b 6
call :add_value "MenuStatusBar" "Captures the whole page into one image with iePagelens"
if errorlevel 1 exit /b 6
rem Icon 102 is the gray one the toolbar shows at rest, 101 the colour one under the mouse.
call :add_value "Icon" "%DLL%,102"
if errorlevel 1 exit /b 6
call :add_value "HotIcon" "%DLL%,101"
if errorlevel 1 exit /b 6
call :add_value "Default Visible" "Yes"
if errorlevel 1 exit /b 6
call :add_value "CLSID" "%CLSID_COMMAND_HOST%"
if errorlevel 1 exit /b 6
call :add_value "ClsidExtension" "%CLSID_EXTENSION%"
if errorlevel 1 exit /b 6
rem The browser creates the class as a helper object too; Windows Explorer is told not to.
reg add "%HELPER_KEY%" /v "NoExplorer" /t REG_DWORD /d 1 /f %VIEW% >nul
if errorlevel 1 exit /b 6
exit /b 0

:add_value
reg add "%EXTENSION_KEY%" /v "%~1" /t REG_SZ /d "%~2" /f %VIEW% >nul
goto :eof

rem Writing a value where the browser entries go is what needs the rights, so that is the test.
:require_admin
reg add "%EXTENSION_KEY%" /v "SetupRightsCheck" /t REG_SZ /d "1" /f /reg:32 >nul 2>&1
if errorlevel 1 exit /b 1
reg delete "%EXTENSION_KEY%" /v "SetupRightsCheck" /f /reg:32 >nul 2>&1
exit /b 0

:no_library
echo iePagelens.dll is missing: run install.cmd from the unpacked iePagelens folder.>&2
exit /b 2
:no_admin
echo iePagelens setup needs administrator rights: it writes to HKEY_LOCAL_MACHINE and>&2
echo registers iePagelens.dll. Open a Command Prompt with "Run as administrator" and run>&2
echo install.cmd again. Nothing was changed.>&2
exit /b 5
:copy_failed
echo iePagelens.dll could not be copied to "%TARGET%". If Internet Explorer is running,>&2
echo close every window of it and run install.cmd again.>&2
exit /b 3
:register_failed
echo iePagelens.dll could not be registered (regsvr32 failed). Run uninstall.cmd to remove>&2
echo what was installed.>&2
exit /b 4
:browser_failed
echo The Internet Explorer entries could not be written. Run uninstall.cmd to remove what>&2
echo was installed.>&2
exit /b 6
