; The Windows installer: tarvolin.exe and its documents into Program Files,
; a Start-menu entry, and an uninstaller that removes what was installed and
; leaves the user's own files (tv.ini and files.cfg in %APPDATA%\Tarvolin).
; /S installs and uninstalls without a window.
;
;   makensis -DVERSION=0.8.7 -DPROGRAM=build-windows/bin -DOUTFILE=setup.exe tarvolin.nsi
; A 64-bit installer for the 64-bit program.
Target amd64-unicode
!include "MUI2.nsh"

Name "Tarvolin"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tarvolin"
InstallDirRegKey HKLM "Software\Tarvolin" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Tarvolin"
VIAddVersionKey "FileDescription" "Tarvolin setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Tarvolin team"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvolin"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Tarvolin"
  ; The Start-menu entry is every user's, as the program is.
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${PROGRAM}\tarvolin.exe"
  File "${PROGRAM}\ReadMe.txt"
  File "${PROGRAM}\Changelog.txt"
  File "${PROGRAM}\muParser-LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Tarvolin.lnk" "$INSTDIR\tarvolin.exe"
  WriteRegStr HKLM "Software\Tarvolin" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tarvolin"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tarvolin team"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarvolin.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; Only what the installer put there: the user's settings and
  ; quickcommands live in %APPDATA%\Tarvolin and stay.
  Delete "$INSTDIR\tarvolin.exe"
  Delete "$INSTDIR\ReadMe.txt"
  Delete "$INSTDIR\Changelog.txt"
  Delete "$INSTDIR\muParser-LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tarvolin.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Tarvolin"
SectionEnd
