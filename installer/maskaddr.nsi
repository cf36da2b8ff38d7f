; The Maskaddr setup file: installs the program per machine (64-bit Program Files) or per
; user, records the channel and the entry in the list of installed programs, and builds the
; uninstaller that ends a running Maskaddr and removes what the setup placed.
; tools/package builds it: makensis /DVERSION= /DSTAGE= /DOUTFILE= /DAPP_NAME= /DAPP_GUID= /DREG_PATH= /DCOPYRIGHT=

!ifndef VERSION | STAGE | OUTFILE | APP_NAME | APP_GUID | REG_PATH | COPYRIGHT
  !error "tools/package passes VERSION, STAGE, OUTFILE, APP_NAME, APP_GUID, REG_PATH and COPYRIGHT"
!endif

Unicode true
Target amd64-unicode ; the program is 64-bit; a 64-bit setup sees the 64-bit registry and folders
SetCompressor /SOLID lzma
ManifestDPIAware true

!define PUBLISHER "The Maskaddr developers"
!define EXE "maskaddr.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP_NAME}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define CHANNEL_DEFAULT "setup"

Name "${APP_NAME}"
Caption "${APP_NAME} ${VERSION} Setup"
OutFile "${OUTFILE}"
BrandingText "${APP_NAME} ${VERSION}"

; Per machine when the user may (the manifest asks for the highest rights), else per user;
; /AllUsers and /CurrentUser choose on the command line, the page chooses interactively.
; An earlier installation's folder is found again through its list entry.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${APP_NAME}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINST_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh

!define MUI_ICON "${__FILEDIR__}/../app/maskaddr.ico"
!define MUI_UNICON "${__FILEDIR__}/../app/maskaddr.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP_NAME} now"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${APP_NAME} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"

Var Channel

; Ends a running Maskaddr the way the program offers: its switch "/s" makes the running
; instance close (it returns every browser to a direct connection as it ends). Then waits,
; up to 20 seconds, until the instance's single-instance mutex is gone.
!macro EndRunningProgram un
Function ${un}EndRunningProgram
  ${IfNot} ${FileExists} "$INSTDIR\${EXE}"
    Return
  ${EndIf}
  DetailPrint "Ending a running ${APP_NAME}"
  ExecWait '"$INSTDIR\${EXE}" /S'
  StrCpy $1 0
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Global\${APP_GUID}") p.r0'
    ${If} $0 P= 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    Sleep 200
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= 100
FunctionEnd
!macroend
!insertmacro EndRunningProgram ""
!insertmacro EndRunningProgram "un."

Function .onInit
  ; /D= is in $INSTDIR already; the install mode below would replace it.
  StrCpy $R9 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $R9 != ""
    StrCpy $INSTDIR $R9
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CHL=" $Channel
  ${If} ${Errors}
  ${OrIf} $Channel == ""
    StrCpy $Channel "${CHANNEL_DEFAULT}"
  ${EndIf}
FunctionEnd

Section "${APP_NAME}" SecProgram
  SectionIn RO
  Call EndRunningProgram

  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*.*"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "$SMPROGRAMS\${APP_NAME}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  ; The program reads the channel from the machine's part of the registry only, so a
  ; per-user installation (no administrator rights) leaves it out.
  ${If} $MultiUser.InstallMode == "AllUsers"
    WriteRegStr HKLM "Software\${REG_PATH}" "CHL" $Channel
  ${EndIf}

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "un.${APP_NAME}" UnSecProgram
  SectionIn RO
  Call un.EndRunningProgram

  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\const.dat"
  Delete "$INSTDIR\oem.const.dat" ; a distributor's constants belong to the installation too
  Delete "$INSTDIR\oem.splash.png" ; and so does a distributor's start-up picture
  RMDir /r "$INSTDIR\res"
  RMDir /r "$INSTDIR\lang"
  RMDir /r "$INSTDIR\skins"
  RMDir /r "$INSTDIR\licenses"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${APP_NAME}.lnk"
  ; The program's "Launch On Startup" value of the user who uninstalls.
  DeleteRegValue HKCU "${RUN_KEY}" "${APP_NAME}"
  ${If} $MultiUser.InstallMode == "AllUsers"
    DeleteRegValue HKLM "Software\${REG_PATH}" "CHL"
    DeleteRegKey /ifempty HKLM "Software\${REG_PATH}"
  ${EndIf}
  DeleteRegKey SHCTX "${UNINST_KEY}"
SectionEnd

; Off unless ticked (and so off in silent mode): the settings and downloaded flags live in
; a folder named after the program's path, per user and for all users.
Section /o "un.Settings and downloaded flags" UnSecSettings
  ${un.WordReplace} "$INSTDIR\${EXE}" "\" "_" "+" $0
  ${un.WordReplace} $0 ":" "_" "+" $0
  ${un.WordReplace} $0 "/" "_" "+" $0
  SetShellVarContext current
  RMDir /r "$APPDATA\$0"
  SetShellVarContext all
  RMDir /r "$APPDATA\$0"
  ${If} $MultiUser.InstallMode == "CurrentUser"
    SetShellVarContext current
  ${EndIf}
SectionEnd
