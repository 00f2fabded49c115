; Tarnwick's Windows installer (NSIS 3.08), built by scripts/windows/installer.sh:
;   makensis -DVERSION=2.40 -DPAYLOAD=DIR -DARTWORK=DIR -DOUTFILE=SETUP.exe tarnwick.nsi
; PAYLOAD holds Tarnwick.exe, unrar.dll and licence.txt; ARTWORK tarnwick.ico (installed too) and
; welcome.bmp (164 x 314, the welcome and finish pages).
;
; Command line (besides NSIS's own /S and /D=DIR):
;   /ALLUSERS      install for every user (Program Files, HKLM); asks for rights
;   /CURRENTUSER   install for the current user (%LOCALAPPDATA%\Programs, HKCU)
;   /LANG=CODE     the language as the program numbers it (1031 German...), no language page
; Uninstaller: /S, and /REMOVESETTINGS to delete the user's settings folder too.
;
; Everything it writes is listed in the uninstaller below; the uninstaller
; restores what it replaced (the previous handler of each file type) and
; removes a key only when nothing else is left in it.

Unicode true
; The program is 64-bit only, and so is the installer: it then sees the same
; Program Files and the same registry view as the program.
Target amd64-unicode

!ifndef VERSION | PAYLOAD | ARTWORK | OUTFILE
  !error "define VERSION, PAYLOAD, ARTWORK and OUTFILE (see scripts/windows/installer.sh)"
!endif

!define PRODUCT "Tarnwick"
!define PUBLISHER "Ostrel"
!define EXE "Tarnwick.exe"
!define PRODUCT_KEY "Software\Ostrel\Tarnwick - Lumox"
!define CAPABILITIES "${PRODUCT_KEY}\Capabilities"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick"
!define CLASSES "Software\Classes"
!define PROGID "Tarnwick.RarArchive"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; Per-machine installs ask for rights when chosen (see RunElevated), so that
; a per-user install never needs them.
RequestExecutionLevel user
; Not solid: the copy of the program that closes a running Tarnwick then
; shares the installer's data with the installed one.
SetCompressor lzma
ManifestDPIAware true
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include nsDialogs.nsh

Var Scope        ; "machine" or "user"
Var ScopeFixed   ; the scope given on the command line: no scope page
Var DirGiven     ; 1 when /D= chose the folder
Var Previous     ; the folder of the installation this one replaces
Var RadioMachine
Var RadioUser

!define MUI_ICON "${ARTWORK}\tarnwick.ico"
!define MUI_UNICON "${ARTWORK}\tarnwick.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ARTWORK}\welcome.bmp"
!define MUI_ABORTWARNING
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_LANGDLL_WINDOWTITLE "${PRODUCT} ${VERSION} Setup"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${PAYLOAD}\licence.txt"
Page custom ScopePage ScopePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!include languages.nsh
!insertmacro MUI_RESERVEFILE_LANGDLL

; ---------------------------------------------------------------------------
; Shared by the installer and the uninstaller (UN is "" or "un.").

!macro SHARED_FUNCTIONS UN
!insertmacro LANGUAGE_CODE_FUNCTIONS "${UN}"

; $0 := 1 when a process named Tarnwick.exe runs, else 0 (Tool Help snapshot).
Function ${UN}TarnwickRunning
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $0 0
  System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r1'
  ${If} $1 P<> -1
    ; PROCESSENTRY32W: 568 bytes on x64, szExeFile at offset 44.
    System::Alloc 568
    Pop $2
    System::Call '*$2(i 568)'
    System::Call 'kernel32::Process32FirstW(p r1, p r2) i .r3'
    ${DoWhile} $3 <> 0
      IntPtrOp $4 $2 + 44
      System::Call '*$4(&w260 .r4)'
      ${GetFileName} $4 $4
      ${If} $4 == "${EXE}"
        StrCpy $0 1
        ${Break}
      ${EndIf}
      System::Call 'kernel32::Process32NextW(p r1, p r2) i .r3'
    ${Loop}
    System::Free $2
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; Files in use cannot be replaced: a running Tarnwick is closed by the
; program's own "shutdown" run of $1, after asking (silent mode: without
; asking). Cancel, or a process that stays, stops the installation.
Function ${UN}CloseRunning
  Call ${UN}TarnwickRunning
  ${If} $0 == 1
    MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "$(CloseRunning)" /SD IDOK IDOK close
    Abort "$(StillRunning)"
    close:
    ExecWait '"$1" shutdown'
    ; Termination is asynchronous: give the processes a few seconds to go.
    ${For} $2 1 40
      Call ${UN}TarnwickRunning
      ${IfThen} $0 == 0 ${|} ${Break} ${|}
      Sleep 250
    ${Next}
    ${If} $0 == 1
      MessageBox MB_OK|MB_ICONSTOP "$(StillRunning)" /SD IDOK
      Abort "$(StillRunning)"
    ${EndIf}
  ${EndIf}
FunctionEnd

; A per-machine installation needs administrator rights. Without them the same
; program is started again through "runas" (Windows asks for the rights) with
; the arguments in $1, and this copy ends.
Function ${UN}RunElevated
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    Return
  ${EndIf}
  ClearErrors
  ExecShellWait "runas" "$EXEPATH" "$1"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(NoRights)" /SD IDOK
    ${If} ${Silent}
      SetErrorLevel 5
      Quit
    ${EndIf}
    Abort
  ${EndIf}
  !if "${UN}" == ""
    ; The elevated copy's exit code is not passed back: its result is.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ${If} $0 != "${VERSION}"
      SetErrorLevel 2
    ${EndIf}
  !endif
  Quit
FunctionEnd

; The program copies a per-user "Installer Language" into the machine-wide key,
; which it reads first. Without a per-machine installation that copy is ours to
; drop: a later per-user install in another language would be overruled by it,
; and uninstalling would leave it behind. (Without rights it stays.)
Function ${UN}ForgetMachineCopy
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
    DeleteRegValue HKLM "${PRODUCT_KEY}" "Installer Language"
    DeleteRegKey /ifempty HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "Software\Ostrel"
  ${EndIf}
FunctionEnd

Function ${UN}NotifyShell
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
FunctionEnd
!macroend

!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; The files of an installation in folder DIR, and the folder when it is empty.
!macro REMOVE_FILES DIR
  Delete "${DIR}\${EXE}"
  Delete "${DIR}\unrar.dll"
  Delete "${DIR}\licence.txt"
  Delete "${DIR}\tarnwick.ico"
  Delete "${DIR}\uninstall.exe"
  RMDir "${DIR}"
!macroend

; ---------------------------------------------------------------------------
; Installer

Function .onInit
  ${GetParameters} $R9
  StrCpy $DirGiven 0
  ${If} $INSTDIR != ""
    StrCpy $DirGiven 1
  ${EndIf}

  StrCpy $Scope ""
  ClearErrors
  ${GetOptions} $R9 "/ALLUSERS" $0
  ${IfNot} ${Errors}
    StrCpy $Scope machine
  ${EndIf}
  ClearErrors
  ${GetOptions} $R9 "/CURRENTUSER" $0
  ${IfNot} ${Errors}
    StrCpy $Scope user
  ${EndIf}
  StrCpy $ScopeFixed $Scope
  ${If} $Scope == ""
    ; An earlier installation keeps its scope (upgrade in place); otherwise
    ; the user's rights suggest one.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    UserInfo::GetAccountType
    Pop $2
    ${If} $0 != ""
      StrCpy $Scope machine
    ${ElseIf} $1 != ""
      StrCpy $Scope user
    ${ElseIf} $2 == "Admin"
      StrCpy $Scope machine
    ${Else}
      StrCpy $Scope user
    ${EndIf}
  ${EndIf}
  Call ApplyScope

  ; The language: /LANG=, else the one an earlier installation recorded
  ; preselected on the language page (silent mode: the system's language).
  ClearErrors
  ${GetOptions} $R9 "/LANG=" $0
  ${If} ${Errors}
    ReadRegStr $0 SHCTX "${PRODUCT_KEY}" "Installer Language"
    Call UseRecordedLanguage
    !insertmacro MUI_LANGDLL_DISPLAY
  ${Else}
    Call UseRecordedLanguage
  ${EndIf}

  ${If} ${Silent}
  ${AndIf} $Scope == machine
    Call ProgramLanguageCode
    StrCpy $1 "/S /ALLUSERS /LANG=$0"
    ${If} $DirGiven == 1
      StrCpy $1 "$1 /D=$INSTDIR"
    ${EndIf}
    Call RunElevated
  ${EndIf}
FunctionEnd

; The shell folders, the registry root (SHCTX) and the default folder of the
; chosen scope; an earlier installation in that scope keeps its folder.
Function ApplyScope
  ${If} $Scope == machine
    SetShellVarContext all
    ReadRegStr $Previous HKLM "${UNINSTALL_KEY}" "InstallLocation"
    StrCpy $0 "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    SetShellVarContext current
    ReadRegStr $Previous HKCU "${UNINSTALL_KEY}" "InstallLocation"
    StrCpy $0 "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}
  ${If} $DirGiven == 0
    ${If} $Previous != ""
      StrCpy $INSTDIR $Previous
    ${Else}
      StrCpy $INSTDIR $0
    ${EndIf}
  ${EndIf}
FunctionEnd

Function ScopePage
  ${If} $ScopeFixed != ""
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "$(ScopeTitle)" "$(ScopeSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 20u 100% 14u "$(ScopeMachine)"
  Pop $RadioMachine
  ${NSD_CreateRadioButton} 0 44u 100% 14u "$(ScopeUser)"
  Pop $RadioUser
  ${If} $Scope == machine
    ${NSD_Check} $RadioMachine
  ${Else}
    ${NSD_Check} $RadioUser
  ${EndIf}
  ${NSD_OnClick} $RadioMachine ScopeShield
  ${NSD_OnClick} $RadioUser ScopeShield
  Push $RadioMachine
  Call ScopeShield
  nsDialogs::Show
FunctionEnd

; The Next button carries the shield while the choice needs rights we lack.
Function ScopeShield
  Pop $0 ; the radio button clicked
  ${NSD_GetState} $RadioMachine $0
  UserInfo::GetAccountType
  Pop $1
  GetDlgItem $2 $HWNDPARENT 1
  ${If} $0 == ${BST_CHECKED}
  ${AndIf} $1 != "Admin"
    SendMessage $2 ${BCM_SETSHIELD} 0 1
  ${Else}
    SendMessage $2 ${BCM_SETSHIELD} 0 0
  ${EndIf}
FunctionEnd

Function ScopePageLeave
  GetDlgItem $2 $HWNDPARENT 1
  SendMessage $2 ${BCM_SETSHIELD} 0 0
  ${NSD_GetState} $RadioMachine $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Scope machine
    Call ProgramLanguageCode
    StrCpy $1 "/ALLUSERS /LANG=$0"
    Call RunElevated
  ${Else}
    StrCpy $Scope user
  ${EndIf}
  Call ApplyScope
FunctionEnd

; Makes the program the handler of extension $R0, remembering the handler it
; replaces so that the uninstaller can put it back.
Function RegisterExtension
  ReadRegStr $0 SHCTX "${CLASSES}\$R0" ""
  ${If} $0 != ""
  ${AndIf} $0 != "${PROGID}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Previous handler $R0" $0
  ${EndIf}
  WriteRegStr SHCTX "${CLASSES}\$R0" "" "${PROGID}"
  WriteRegStr SHCTX "${CLASSES}\$R0\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "${CAPABILITIES}\FileAssociations" $R0 "${PROGID}"
FunctionEnd

; .rar (".partN.rar" included) and the later volumes of the old naming,
; .r00 to .r99: double-click ("open") and "Extract!" start the program with
; the archive's path in double quotes.
Function RegisterTypes
  WriteRegStr SHCTX "${CLASSES}\${PROGID}" "" "$(TypeName)"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\tarnwick.ico"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell" "" "open"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell\Extract!" "" "$(VerbExtract)"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell\Extract!\command" "" '"$INSTDIR\${EXE}" "%1"'
  ; Windows' default-apps settings list the program through these.
  WriteRegStr SHCTX "${CAPABILITIES}" "ApplicationName" "${PRODUCT}"
  WriteRegStr SHCTX "${CAPABILITIES}" "ApplicationDescription" "$(TypeName)"
  WriteRegStr SHCTX "${CAPABILITIES}" "ApplicationIcon" "$INSTDIR\tarnwick.ico"
  WriteRegStr SHCTX "Software\RegisteredApplications" "${PRODUCT}" "${CAPABILITIES}"
  StrCpy $R0 ".rar"
  Call RegisterExtension
  ${For} $R1 0 99
    IntFmt $R0 ".r%02d" $R1
    Call RegisterExtension
  ${Next}
FunctionEnd

Section "${PRODUCT}" SecMain
  SectionIn RO
  InitPluginsDir
  SetOutPath $PLUGINSDIR
  File "/oname=$PLUGINSDIR\${EXE}" "${PAYLOAD}\${EXE}"
  StrCpy $1 "$PLUGINSDIR\${EXE}"
  Call CloseRunning
  Delete "$PLUGINSDIR\${EXE}"

  ; An upgrade into another folder leaves nothing in the old one.
  ${If} $Previous != ""
  ${AndIf} $Previous != $INSTDIR
    !insertmacro REMOVE_FILES $Previous
  ${EndIf}

  SetOutPath $INSTDIR
  File "${PAYLOAD}\${EXE}"
  File "${PAYLOAD}\unrar.dll"
  File "${PAYLOAD}\licence.txt"
  ; The program's icon for its file type, shortcut and uninstall entry.
  File "${ARTWORK}\tarnwick.ico"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\tarnwick.ico"

  ; The program's automatic language follows this value.
  Call ProgramLanguageCode
  WriteRegStr SHCTX "${PRODUCT_KEY}" "Installer Language" $0
  ${If} $Scope == user
    Call ForgetMachineCopy
  ${EndIf}

  Call RegisterTypes

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarnwick.ico"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "https://tarnwick.example/"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $2 $3
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  Call NotifyShell
SectionEnd

; ---------------------------------------------------------------------------
; Uninstaller

; Puts back what RegisterExtension changed for extension $R0.
Function un.UnregisterExtension
  ReadRegStr $0 SHCTX "${CLASSES}\$R0" ""
  ${If} $0 == "${PROGID}"
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "Previous handler $R0"
    ${If} $0 != ""
      WriteRegStr SHCTX "${CLASSES}\$R0" "" $0
    ${Else}
      DeleteRegValue SHCTX "${CLASSES}\$R0" ""
    ${EndIf}
  ${EndIf}
  DeleteRegValue SHCTX "${CLASSES}\$R0\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\$R0\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\$R0"
FunctionEnd

Section "un.${PRODUCT}"
  SectionIn RO
  StrCpy $1 "$INSTDIR\${EXE}"
  Call un.CloseRunning

  StrCpy $R0 ".rar"
  Call un.UnregisterExtension
  ${For} $R1 0 99
    IntFmt $R0 ".r%02d" $R1
    Call un.UnregisterExtension
  ${Next}
  DeleteRegKey SHCTX "${CLASSES}\${PROGID}"
  DeleteRegValue SHCTX "Software\RegisteredApplications" "${PRODUCT}"
  DeleteRegKey /ifempty SHCTX "Software\RegisteredApplications"
  DeleteRegKey SHCTX "${CAPABILITIES}"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  !insertmacro REMOVE_FILES $INSTDIR

  DeleteRegValue SHCTX "${PRODUCT_KEY}" "Installer Language"
  DeleteRegKey /ifempty SHCTX "${PRODUCT_KEY}"
  DeleteRegKey /ifempty SHCTX "Software\Ostrel"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${If} $Scope == user
    Call un.ForgetMachineCopy
    ; A user's first per-user program creates the list of them.
    DeleteRegKey /ifempty HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ${EndIf}

  Call un.NotifyShell
SectionEnd

; The settings folder is the user's: it goes only when asked.
Section /o "un.$(RemoveSettings)" SecSettings
  SetShellVarContext current
  RMDir /r "$APPDATA\Ostrel\${PRODUCT}"
  RMDir "$APPDATA\Ostrel"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSettings} "$(RemoveSettingsInfo)"
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  ${GetParameters} $R9
  ; The scope is the one whose uninstall entry names this folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $Scope machine
    SetShellVarContext all
  ${Else}
    StrCpy $Scope user
    SetShellVarContext current
  ${EndIf}
  ReadRegStr $0 SHCTX "${PRODUCT_KEY}" "Installer Language"
  Call un.UseRecordedLanguage
  ClearErrors
  ${GetOptions} $R9 "/REMOVESETTINGS" $0
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecSettings}
  ${EndIf}
  ${If} $Scope == machine
    StrCpy $1 "$R9 _?=$INSTDIR"
    Call un.RunElevated
  ${EndIf}
FunctionEnd
