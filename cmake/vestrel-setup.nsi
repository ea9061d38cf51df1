; The Windows installer, built by `make windows-package` (cmake/WindowsInstaller.cmake gives the
; defines: VERSION, OUTFILE, CLI, SOURCE and, where the windows were built, GUI).
; A 64-bit installer for the 64-bit program: it writes the 64-bit registry and Program Files.
Target amd64-unicode

Name "Vestrel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Vestrel"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vestrel"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Vestrel"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${CLI}"
!ifdef GUI
  File "${GUI}"
!endif
  File "${SOURCE}/platform/win32/vestrel-winusb.inf"
  SetOutPath "$INSTDIR\docs"
  File "${SOURCE}/docs/windows.md"
  File "${SOURCE}/docs/wire-trace.md"
  File "${SOURCE}/docs/cli-json.md"
  File "${SOURCE}/docs/virtual-phone.md"
  File "${SOURCE}/docs/reporting-a-phone.md"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Vestrel"
  ; vestrel-cli is a console program: the entry opens a console in which it can be used.
  CreateShortcut "$SMPROGRAMS\Vestrel\Vestrel command line.lnk" "$SYSDIR\cmd.exe" \
    '/K "cd /d "$INSTDIR" && vestrel-cli.exe help"'
!ifdef GUI
  CreateShortcut "$SMPROGRAMS\Vestrel\Vestrel.lnk" "$INSTDIR\vestrel.exe"
!endif
  CreateShortcut "$SMPROGRAMS\Vestrel\Vestrel on Windows.lnk" "$INSTDIR\docs\windows.md"
  CreateShortcut "$SMPROGRAMS\Vestrel\Uninstall Vestrel.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vestrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vestrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes only what the installer put there: a folder the user added files to stays.
Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\vestrel-cli.exe"
  Delete "$INSTDIR\vestrel.exe"
  Delete "$INSTDIR\vestrel-winusb.inf"
  Delete "$INSTDIR\docs\windows.md"
  Delete "$INSTDIR\docs\wire-trace.md"
  Delete "$INSTDIR\docs\cli-json.md"
  Delete "$INSTDIR\docs\virtual-phone.md"
  Delete "$INSTDIR\docs\reporting-a-phone.md"
  RMDir "$INSTDIR\docs"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Vestrel\Vestrel command line.lnk"
  Delete "$SMPROGRAMS\Vestrel\Vestrel.lnk"
  Delete "$SMPROGRAMS\Vestrel\Vestrel on Windows.lnk"
  Delete "$SMPROGRAMS\Vestrel\Uninstall Vestrel.lnk"
  RMDir "$SMPROGRAMS\Vestrel"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
