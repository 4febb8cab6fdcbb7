@echo off
rem Runs the command given in Visual Studio 2022's developer environment for
rem 64-bit builds: vswhere finds the newest Visual Studio with the x64 C++
rem tools, and its vcvars64.bat sets up the environment. Both Visual Studio
rem build steps of the Windows job run their build through it. Its exit
rem status is the command's.
rem
rem   with-vs-env.cmd COMMAND [ARGS...]
setlocal
set "VSWHERE=%ProgramFiles(x86)%\Microsoft Visual Studio\Installer\vswhere.exe"
if not exist "%VSWHERE%" (
    echo with-vs-env: no vswhere.exe at "%VSWHERE%" 1>&2
    exit /b 1
)
set "VSINSTALL="
rem Called, so that the command does not start with a quote: cmd /c, which
rem runs it, would take that quote and the last one away when the path has
rem parentheses, as "Program Files (x86)" has.
for /f "usebackq delims=" %%i in (`call "%VSWHERE%" -latest -products * -requires Microsoft.VisualStudio.Component.VC.Tools.x86.x64 -property installationPath`) do set "VSINSTALL=%%i"
if not defined VSINSTALL (
    echo with-vs-env: vswhere finds no Visual Studio with the x64 C++ tools 1>&2
    exit /b 1
)
rem vcvars64.bat's exit status does not always say how it went: a variable
rem it sets does.
set "VCToolsInstallDir="
call "%VSINSTALL%\VC\Auxiliary\Build\vcvars64.bat" >nul
if not defined VCToolsInstallDir (
    echo with-vs-env: "%VSINSTALL%\VC\Auxiliary\Build\vcvars64.bat" set up no C++ tools 1>&2
    exit /b 1
)
echo with-vs-env: Visual Studio %VSCMD_VER% in %VSINSTALL%, C++ tools %VCToolsVersion%, Windows SDK %WindowsSDKVersion%
rem Called, so that a batch file given comes back here too.
call %*
exit /b %ERRORLEVEL%
