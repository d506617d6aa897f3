; Mirlo's Windows installer (NSIS). Built by scripts/windows/installer.sh,
; which defines VERSION, ICON, FILES and
; UNFILES (the generated lists of what is installed and removed), SETTINGS
; (the default program-folder Mirlox.ini) and OUTFILE.
; Silent for school deployment: "Mirlo-<version>-setup.exe /S", and
; "Uninstall.exe /S" in the program folder.

; A 64-bit installer for a 64-bit program (Wine without its 32-bit part runs it too).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include x64.nsh

!define PRODUCT "Mirlo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirlo"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1036 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "FileDescription" "${PRODUCT} ${VERSION}"
VIAddVersionKey /LANG=1036 "LegalCopyright" "${PRODUCT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

; A 64-bit program: its folder and registry keys are the 64-bit ones.
Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Mirlo"
  SetShellVarContext all
  !include "${FILES}"

  ; The program-folder settings (where each pupil's settings live, the
  ; school's site, mode and proxy). One already there stays as it is; one
  ; placed beside the installer by the school comes next; else the default.
  SetOutPath "$INSTDIR"
  IfFileExists "$INSTDIR\Mirlox.ini" settings_done
  IfFileExists "$EXEDIR\Mirlox.ini" 0 settings_default
  CopyFiles /SILENT "$EXEDIR\Mirlox.ini" "$INSTDIR\Mirlox.ini"
  Goto settings_done
settings_default:
  File "/oname=Mirlox.ini" "${SETTINGS}"
settings_done:
  ; Mirlo saves the settings dialog's values in this file too, whoever uses
  ; the computer: every user of it (the Users group) may change it.
  nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR\Mirlox.ini" /grant *S-1-5-32-545:M'
  Pop $0

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Mirlo.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Mirlo.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what was installed, nothing else: the pupils' own settings and
; recordings are elsewhere, and the program-folder Mirlox.ini (the school's
; settings) stays for a later installation, as does its folder then.
Section "Uninstall"
  SetShellVarContext all
  !include "${UNFILES}"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  RMDir "$INSTDIR"
SectionEnd
