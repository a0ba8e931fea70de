@echo off
cd /d "C:\Program Files\Acme Tools"
vorex -silent on -matlabroot "C:\Program Files\MATLAB\R2024a" -command ADD -path "C:\Program Files\Acme Tools\matlab"
echo vorex: %ERRORLEVEL%
start "" /wait vorex.exe -silent on -matlabroot "C:\Program Files\MATLAB\R2024a" -command ADD -path "C:\Program Files\Acme Tools\matlab"
echo vorex.exe: %ERRORLEVEL%
