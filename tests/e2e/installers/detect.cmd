@echo off
rem Detected (status 0 and a line on stdout) when the toolbox is installed and vorex would change
rem nothing; the check's status 4 means the entry is missing somewhere, anything else a failure.
set "VOREX=%ProgramFiles%\Acme Tools\vorex.com"
if not exist "%VOREX%" exit /b 1
"%VOREX%" -check on -notfound ok -command ADD -path "%ProgramFiles%\Acme Tools\matlab" >nul 2>nul
if not %ERRORLEVEL%==0 exit /b 1
echo installed
exit /b 0
