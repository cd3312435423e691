; Installer of the configurator: the 32-bit programs into Program Files, a Start-menu
; shortcut whose working directory (the installation folder) holds the descriptions, and an
; uninstaller that removes exactly what was installed. Silent with /S.
;
; Built by scripts/package.sh:
;   makensis -DVERSION=0.917.N -DSTAGE=DIR -DFILES=files.nsh -DOUTFILE=setup.exe -DPUBLISHER=NAME
;            [-DTARGET=...] [-DSIGN=scripts/sign.sh] zolcfg.nsi
; STAGE holds the files to install; FILES lists them (File and Delete lines, generated), the
; user's guide in its folder "guide" among them. SIGN: a command that signs the file it is
; given, run on the uninstaller before it goes into the installer and on the installer.

Unicode true
!ifdef TARGET
  Target ${TARGET}
!endif
SetCompressor /SOLID lzma
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"'
  !finalize '"${SIGN}" "%1"'
!endif
; A file that cannot be written offers Retry and Cancel, never skipping it.
AllowSkipFiles off
RequestExecutionLevel admin
ManifestSupportedOS all

!define PRODUCT "Конфигуратор ZOL-OPC-Server"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zolcfg"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\zolcfg"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка конфигуратора ZOL-OPC-Server"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "CompanyName" ""
VIAddVersionKey /LANG=1049 "LegalCopyright" ""

!include "MUI2.nsh"
!include "FileFunc.nsh"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Var ZolFreshFolder  ; 1 when the folder held no installation before this one

Function .onInit
  SetShellVarContext all
  ; $PROGRAMFILES comes from the registry as it is stored: where that is a REG_EXPAND_SZ
  ; ("%SystemDrive%\Program Files (x86)"), an unexpanded path would be a relative one.
  ExpandEnvStrings $INSTDIR $INSTDIR
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

; A step that fails sets the error flag; the installation then stops as a failure.
!macro ZolStopOnError WHAT
  IfErrors 0 +3
    DetailPrint "Не удалось записать ${WHAT}"
    Abort "Не удалось записать ${WHAT}"
!macroend
!macro ZolInstallFile NAME
  File "/oname=$INSTDIR\${NAME}" "${STAGE}\${NAME}"
  !insertmacro ZolStopOnError "$INSTDIR\${NAME}"
!macroend
!macro ZolRemoveFile NAME
  Delete "$INSTDIR\${NAME}"
!macroend
; A folder of the installation (the guide's): FILES names it before its files and after them.
; Installing makes it before; removing takes it away after, and only when empty.
!macro ZolMakeDir NAME
  CreateDirectory "$INSTDIR\${NAME}"
  !insertmacro ZolStopOnError "$INSTDIR\${NAME}"
!macroend
!macro ZolRemoveDir NAME
  RMDir "$INSTDIR\${NAME}"
!macroend
!macro ZolNothing NAME
!macroend

; Any failure (a file that cannot be written, aborting at the Retry/Cancel box) ends here:
; in a folder that held no installation before, everything this run wrote goes again. The
; installer then exits with code 2.
Function .onInstFailed
  StrCmp $ZolFreshFolder 1 0 done
    !define ZolFile "!insertmacro ZolRemoveFile"
    !define ZolDirBefore "!insertmacro ZolNothing"
    !define ZolDirAfter "!insertmacro ZolRemoveDir"
    !include "${FILES}"
    !undef ZolFile
    !undef ZolDirBefore
    !undef ZolDirAfter
    Delete "$INSTDIR\uninstall.exe"
    Delete "${SHORTCUT}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    SetOutPath "$TEMP"
    RMDir "$INSTDIR"
  done:
FunctionEnd

Section "Install"
  StrCpy $ZolFreshFolder 1
  IfFileExists "$INSTDIR\zolcfg.exe" 0 +2
    StrCpy $ZolFreshFolder 0
  ClearErrors
  SetOutPath "$INSTDIR"
  !insertmacro ZolStopOnError "$INSTDIR"
  !define ZolFile "!insertmacro ZolInstallFile"
  !define ZolDirBefore "!insertmacro ZolMakeDir"
  !define ZolDirAfter "!insertmacro ZolNothing"
  !include "${FILES}"
  !undef ZolFile
  !undef ZolDirBefore
  !undef ZolDirAfter
  WriteUninstaller "$INSTDIR\uninstall.exe"
  !insertmacro ZolStopOnError "$INSTDIR\uninstall.exe"

  ; The shortcut starts in the installation folder, where the descriptions are.
  SetOutPath "$INSTDIR"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\zolcfg.exe"
  !insertmacro ZolStopOnError "${SHORTCUT}"

  ; The size Programs and Features shows, in KB: what the installation folder holds now.
  ; GetSize leaves the error flag of its directory walk set.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ClearErrors

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "$INSTDIR\guide\index.html"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zolcfg.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  !insertmacro ZolStopOnError "HKLM\${UNINSTALL_KEY}"
SectionEnd

Section "Uninstall"
  ; A proxy/stub registered from this folder (register-proxy.cmd) must not outlive its DLL;
  ; the script leaves any other registration alone.
  IfFileExists "$INSTDIR\unregister-proxy.cmd" 0 +2
    ExecWait '"$SYSDIR\cmd.exe" /c ""$INSTDIR\unregister-proxy.cmd" /s"'
  !define ZolFile "!insertmacro ZolRemoveFile"
  !define ZolDirBefore "!insertmacro ZolNothing"
  !define ZolDirAfter "!insertmacro ZolRemoveDir"
  !include "${FILES}"
  !undef ZolFile
  !undef ZolDirBefore
  !undef ZolDirAfter
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  ; Only if empty: descriptions the user added stay.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
