@echo off
rem Removes iePagelens: unregisters iePagelens.dll, removes the browser's toolbar button, Tools
rem menu entry and helper object, the settings under HKLM\Software\Velmora\iePagelens (and this
rem user's under HKCU) and the program folder "%ProgramFiles%\Velmora\iePagelens". On 64-bit
rem Windows it does so for the 32-bit library (32-bit folder and registry view) and the 64-bit one
rem (64-bit folder and view). Needs administrator rights.
rem Running it when nothing is installed changes nothing.
rem Exit codes: 0 removed, 5 no administrator rights, 7 files still in use.
setlocal

set "EXTENSION_KEY=HKLM\Software\Microsoft\Internet Explorer\Extensions\{66901551-019D-4626-B734-F879F16729DA}"
set "HELPER_KEY=HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{6074F29D-3144-4FA6-A9A5-41EF836D98B5}"
set "PROGRAM_FILES=%ProgramFiles%"
if defined ProgramFiles(x86) set "PROGRAM_FILES=%ProgramFiles(x86)%"
set "REGSVR32=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set "REGSVR32=%SystemRoot%\SysWOW64\regsvr32.exe"
rem ProgramW6432 exists only on 64-bit Windows; a 32-bit cmd there finds System32 as Sysnative.
set "REGSVR64=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "REGSVR64=%SystemRoot%\Sysnative\regsvr32.exe"

call :require_admin
if errorlevel 1 goto no_admin

call :remove_library "%PROGRAM_FILES%" "%REGSVR32%" /reg:32
if errorlevel 1 goto files_in_use
if not defined ProgramW6432 goto removed
call :remove_library "%ProgramW6432%" "%REGSVR64%" /reg:64
if errorlevel 1 goto files_in_use
:removed
rem What this user stored where the machine's key refused it; other users keep theirs.
reg delete "HKCU\Software\Velmora\iePagelens" /f /reg:32 >nul 2>&1
echo iePagelens is removed.
exit /b 0

rem One library and its entries: Program Files folder, regsvr32 of its bitness, registry view.
rem Ends with 1 when its folder cannot be removed.
:remove_library
set "TARGET=%~1\Velmora\iePagelens"
set "DLL=%TARGET%\iePagelens.dll"
set "VIEW=%~3"
if exist "%DLL%" "%~2" /u /s "%DLL%"
rem The library's own keys once more, for a library that is gone or did not remove them all:
rem its class, programmatic name, type library and dual interface.
reg delete "HKCR\CLSID\{6074F29D-3144-4FA6-A9A5-41EF836D98B5}" /f %VIEW% >nul 2>&1
reg delete "HKCR\iePagelens.cPagelens" /f %VIEW% >nul 2>&1
reg delete "HKCR\TypeLib\{DDA7772C-B819-41DA-8421-498C92FB1FC6}" /f %VIEW% >nul 2>&1
reg delete "HKCR\Interface\{89024C1F-EE67-4307-82F6-CC1FFE5379A7}" /f %VIEW% >nul 2>&1
reg delete "%EXTENSION_KEY%" /f %VIEW% >nul 2>&1
reg delete "%HELPER_KEY%" /f %VIEW% >nul 2>&1
reg delete "HKLM\Software\Velmora\iePagelens" /f %VIEW% >nul 2>&1
call :remove_velmora_key_if_empty
if exist "%TARGET%\" rd /s /q "%TARGET%"
if exist "%TARGET%\" exit /b 1
rem Without /s, rd leaves a folder that still holds something (another Velmora product).
if exist "%~1\Velmora\" rd "%~1\Velmora" 2>nul
exit /b 0

rem Deletes HKLM\Software\Velmora when it holds no subkey and no named value: another Velmora
rem product may share it. The query lists the key's own name too (on 64-bit Windows perhaps with
rem WOW6432Node in it); only names that go on below "\Velmora\" are subkeys.
:remove_velmora_key_if_empty
set ITEMS=0
for /f "tokens=1" %%L in ('reg query "HKLM\Software\Velmora" %VIEW% 2^>nul') do call :count_item "%%L"
if "%ITEMS%"=="0" reg delete "HKLM\Software\Velmora" /f %VIEW% >nul 2>&1
goto :eof

:count_item
set "LINE=%~1"
if /i "%LINE%"=="(Default)" goto :eof
if /i not "%LINE:~0,5%"=="HKEY_" goto count_it
if "%LINE:\Velmora\=%"=="%LINE%" goto :eof
:count_it
set /a ITEMS+=1
goto :eof

rem Writing a value where the browser entries go is what needs the rights, so that is the test.
:require_admin
reg add "%EXTENSION_KEY%" /v "SetupRightsCheck" /t REG_SZ /d "1" /f /reg:32 >nul 2>&1
if errorlevel 1 exit /b 1
reg delete "%EXTENSION_KEY%" /v "SetupRightsCheck" /f /reg:32 >nul 2>&1
exit /b 0

:no_admin
echo Removing iePagelens needs administrator rights: it changes HKEY_LOCAL_MACHINE. Open a>&2
echo Command Prompt with "Run as administrator" and run uninstall.cmd again. Nothing was>&2
echo changed.>&2
exit /b 5
:files_in_use
echo "%TARGET%" could not be removed: close every Internet Explorer window and run>&2
echo uninstall.cmd again. Its registration is already removed.>&2
exit /b 7
