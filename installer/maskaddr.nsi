; The Maskaddr setup file: installs the program per machine (64-bit Program Files) or per
; user, records the channel and the entry in the list of installed programs, and builds the
; uninstaller that ends a running Maskaddr and removes what the setup placed.
; tools/package builds it: makensis /DVERSION= /DSTAGE= /DOUTFILE= /DAPP_NAME= /DAPP_GUID= /DREG_PATH=
; /DCOPYRIGHT= /DPUBLISHER= /DSIGN= (the command that signs a program in place: tools/sign-exe).

!ifndef VERSION | STAGE | OUTFILE | APP_NAME | APP_GUID | REG_PATH | COPYRIGHT | PUBLISHER | SIGN
  !error "tools/package passes VERSION, STAGE, OUTFILE, APP_NAME, APP_GUID, REG_PATH, COPYRIGHT, PUBLISHER and SIGN"
!endif

Unicode true
Target amd64-unicode ; the program is 64-bit; a 64-bit setup sees the 64-bit registry and folders
SetCompressor /SOLID lzma
ManifestDPIAware true
; The uninstaller is signed before the setup takes it in, the setup once it is written.
!uninstfinalize '"${SIGN}" --description "${APP_NAME} Uninstall" "%1"' = 0
!finalize '"${SIGN}" --description "${APP_NAME} Setup" "%1"' = 0

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
; up to 20 seconds, until the instance's single-instance mutex is gone. The uninstaller adds
; "/Uninstall": that run also takes out of Firefox profiles the line that "Make it follow
; Maskaddr" wrote (an upgrade's setup keeps it).
!macro EndRunningProgram un switches
Function ${un}EndRunningProgram
  ${IfNot} ${FileExists} "$INSTDIR\${EXE}"
    Return
  ${EndIf}
  DetailPrint "Ending a running ${APP_NAME}"
  ExecWait '"$INSTDIR\${EXE}" ${switches}'
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
!insertmacro EndRunningProgram "" "/S"
!insertmacro EndRunningProgram "un." "/S /Uninstall"

; The access of Program Files: Administrators and SYSTEM full control, Users read and execute,
; for the folder and everything in it; nothing inherited from the parent.
!define PROGRAM_FILES_ACCESS "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"

; A per-machine installation in a folder outside Program Files gets the access of Program Files
; before anything in it runs (the setup starts the program it finds there to end it): a folder
; that users may write to would let them replace a program that every user, and this elevated
; setup, starts. A per-user installation stays the user's own. Failing that, the setup stops.
Function SecureInstallFolder
  ${If} $MultiUser.InstallMode != "AllUsers"
    Return
  ${EndIf}
  CreateDirectory "$INSTDIR"
  GetFullPathName $0 "$INSTDIR"
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR"
  ${EndIf}
  ${For} $1 0 1
    ${If} $1 = 0
      GetFullPathName $2 "$PROGRAMFILES64"
    ${Else}
      GetFullPathName $2 "$PROGRAMFILES32"
    ${EndIf}
    StrLen $3 "$2\"
    StrCpy $3 "$0\" $3
    ${If} $2 != ""
    ${AndIf} $3 == "$2\"
      Return ; inside Program Files, whose access it inherits
    ${EndIf}
  ${Next}
  DetailPrint "Giving $INSTDIR the access of Program Files"
  StrCpy $2 1 ; the error, until the access is set
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${PROGRAM_FILES_ACCESS}", i 1, *p .r1, p 0) i .r3'
  ${If} $3 <> 0
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r4, *p .r5, *i .r6) i .r3'
    ; SE_FILE_OBJECT; DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION
    ${If} $3 <> 0
      System::Call 'advapi32::SetNamedSecurityInfoW(w "$0", i 1, i 0x80000004, p 0, p 0, p r5, p 0) i .r2'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  ${If} $2 <> 0
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR cannot be given the access of Program Files (error $2)." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

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
  Call SecureInstallFolder
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

; Removes a folder and everything in it without following links: a junction or symbolic link
; (a reparse point) is removed as a link, never entered, so what it points to stays, also when
; the folder itself is one. RMDir /r would enter a linked folder and empty it, and the data
; folders are ones that a user, or the all-users folder's other users, could plant links in.
Function un.RemoveFolderTree
  Exch $0 ; the folder
  Push $1 ; the search
  Push $2 ; an entry's name
  Push $3 ; an entry's attributes
  System::Call 'kernel32::GetFileAttributesW(w "$0") i .r3'
  ${If} $3 <> -1
  ${AndIfNot} $3 & 0x400 ; FILE_ATTRIBUTE_REPARSE_POINT
    FindFirst $1 $2 "$0\*"
    ${DoWhile} $2 != ""
      ${If} $2 != "."
      ${AndIf} $2 != ".."
        System::Call 'kernel32::GetFileAttributesW(w "$0\$2") i .r3'
        ${If} $3 & 0x400
        ${AndIf} $3 & 0x10 ; FILE_ATTRIBUTE_DIRECTORY: a linked folder, removed as the link
          RMDir "$0\$2"
        ${ElseIf} $3 & 0x400
          Delete "$0\$2" ; a file link: the link goes
        ${ElseIf} $3 & 0x10
          Push "$0\$2"
          Call un.RemoveFolderTree
        ${Else}
          Delete "$0\$2"
        ${EndIf}
      ${EndIf}
      FindNext $1 $2
    ${Loop}
    FindClose $1
  ${EndIf}
  RMDir "$0"
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Off unless ticked or /RemoveSettings is given (and so off in silent mode without it): the
; settings and downloaded flags live in a folder named after the program's path, per user and
; for all users.
Section /o "un.Settings and downloaded flags" UnSecSettings
  ${un.WordReplace} "$INSTDIR\${EXE}" "\" "_" "+" $0
  ${un.WordReplace} $0 ":" "_" "+" $0
  ${un.WordReplace} $0 "/" "_" "+" $0
  SetShellVarContext current
  Push "$APPDATA\$0"
  Call un.RemoveFolderTree
  SetShellVarContext all
  Push "$APPDATA\$0"
  Call un.RemoveFolderTree
  ${If} $MultiUser.InstallMode == "CurrentUser"
    SetShellVarContext current
  ${EndIf}
SectionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/RemoveSettings" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
