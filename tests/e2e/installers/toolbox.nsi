; A toolbox installer that puts its matlab folder on the MATLAB path with vorex, and an
; uninstaller that takes it off again. Built and run under Wine by tests/e2e/installers_e2e.sh:
;   makensis -DVOREX_DIR=<folder of vorex.exe and vorex.com> -DTOOLBOX_DIR=<the matlab folder> -DOUTFILE=<installer> toolbox.nsi
; 64-bit only because the Wine it is run under has no 32-bit side; an installer for every Windows
; is x86-unicode and ships x86\vorex.exe, which reads both registry views as well.
Unicode true
Target amd64-unicode
RequestExecutionLevel admin
Name "Acme Toolbox"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Acme Tools"

!include LogicLib.nsh

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR\matlab"
  File /r "${TOOLBOX_DIR}\*.*"
  SetOutPath "$INSTDIR"
  File "${VOREX_DIR}\vorex.exe"
  File "${VOREX_DIR}\vorex.com"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; The log goes to ProgramData, never into $INSTDIR (the uninstaller could not remove the folder);
  ; vorex does not make the log's folder.
  CreateDirectory "$APPDATA\Acme"
  ExecWait '"$INSTDIR\vorex.exe" -silent on -logfile "$APPDATA\Acme\toolbox-install.log" -notfound ok -command ADD -path "$INSTDIR\matlab"' $0
  ${If} $0 <> 0
    ; Every other file was still edited: take the entry out of those again, and leave nothing behind.
    ExecWait '"$INSTDIR\vorex.exe" -silent on -logfile "$APPDATA\Acme\toolbox-install.log" -notfound ok -command REMOVE -path "$INSTDIR\matlab"'
    Delete "$INSTDIR\Uninstall.exe"
    Delete "$INSTDIR\vorex.exe"
    Delete "$INSTDIR\vorex.com"
    RMDir /r "$INSTDIR\matlab"
    SetOutPath "$TEMP"
    RMDir "$INSTDIR"
    MessageBox MB_ICONSTOP "The toolbox could not be put on the MATLAB path (vorex status $0).$\nThe reason is in $APPDATA\Acme\toolbox-install.log." /SD IDOK
    SetErrorLevel $0
    Abort
  ${EndIf}
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  CreateDirectory "$APPDATA\Acme"
  ExecWait '"$INSTDIR\vorex.exe" -silent on -logfile "$APPDATA\Acme\toolbox-install.log" -notfound ok -command REMOVE -path "$INSTDIR\matlab"' $0
  ${If} $0 <> 0
    MessageBox MB_ICONSTOP "The toolbox could not be taken off the MATLAB path (vorex status $0).$\nThe reason is in $APPDATA\Acme\toolbox-install.log." /SD IDOK
    SetErrorLevel $0
    Abort
  ${EndIf}
  Delete "$INSTDIR\vorex.exe"
  Delete "$INSTDIR\vorex.com"
  RMDir /r "$INSTDIR\matlab"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
