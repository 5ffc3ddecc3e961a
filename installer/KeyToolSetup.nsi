; The tool's installer: per machine, Chinese, signed; upgrades in place while
; the tool runs and uninstalls cleanly. Built by tools/package.sh, which
; defines VERSION, STAGE (the staged release files), OUTFILE, SIGN (the
; signing command), ICON and, when the package carries our key library,
; OUR_KEYLIB (then keyadmin.exe and the demo key are in STAGE too), and X64
; for a 64-bit set-up of 64-bit binaries (tests, where no 32-bit program runs).
; Command line: /S, /D=dir, /AUTOSTART=0, /RUN (start the tool after a silent
; install), /ALLOWDOWNGRADE; the uninstaller takes /S and /REMOVEKEYS.
; This file starts with a UTF-8 byte-order mark, so makensis reads it as UTF-8.

!ifdef X64
Target amd64-unicode
!define PROGRAM_FILES "$PROGRAMFILES64"
!else
Unicode true
!define PROGRAM_FILES "$PROGRAMFILES"
!endif
ManifestDPIAware true
SetCompressor /SOLID lzma
; Installed files carry the time they were written, so an upgrade shows in them.
SetDateSave off
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "QelmoraUsbKey管理工具"
!define PUBLISHER "Qelmora Bank"
!define EXE "QelmoraKeyTool.exe"
!define UNINSTALLER "Uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QelmoraKeyTool"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "QelmoraKeyTool"
; The key library's default store of virtual keys, per user.
!define KEY_STORE "$LOCALAPPDATA\QelmoraKeys"
; The tool's own per-user data: log folder and settings key.
!define USER_DATA "$LOCALAPPDATA\Qelmora\UsbKeyTool"
!define USER_KEY "Software\Qelmora\UsbKeyTool"
!define ERROR_REFUSED 2

; The registry view of the installed binaries.
!macro REG_VIEW
!ifdef X64
    SetRegView 64
!endif
!macroend

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAM_FILES}\Qelmora\UsbKeyTool"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT}安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PUBLISHER}"

!finalize '"${SIGN}" "%1"'
!uninstfinalize '"${SIGN}" "%1"'

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartToolAsUser
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!ifdef OUR_KEYLIB
!insertmacro MUI_UNPAGE_COMPONENTS
!endif
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; 1 when StopRunningTools ended a running tool, which a failed set-up starts again.
Var EndedTool
; What the files were written over: "previous" (kept in $PLUGINSDIR), "nothing", or ""
; before any was written.
Var WrittenOver

; Ends every running tool through its exit message (it unloads its
; certificates on the way out) and waits a bounded time for every other
; program running from $INSTDIR (ukeyctl, keyadmin); one still running stops
; the set-up before any file changes. Nothing is killed.
!macro STOP_RUNNING_TOOLS un
Function ${un}StopRunningTools
    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "${STAGE}\stopkeytool.exe"
    File "${STAGE}\DravikFun_tovex.dll"
    retry:
    nsExec::ExecToStack '"$PLUGINSDIR\stopkeytool.exe" "$INSTDIR"'
    Pop $0
    Pop $1
    StrCpy $1 $1 9
    ${If} $1 != "ended: 0,"
        StrCpy $EndedTool 1
    ${EndIf}
    ${If} $0 != 0
        MessageBox MB_RETRYCANCEL|MB_ICONSTOP "${PRODUCT}或$INSTDIR中的其他程序（如ukeyctl.exe）仍在运行，未能结束。请退出它们后重试。" /SD IDCANCEL IDRETRY retry
        SetErrorLevel ${ERROR_REFUSED}
        Abort "${PRODUCT}或$INSTDIR中的其他程序仍在运行。"
    ${EndIf}
FunctionEnd
!macroend
!insertmacro STOP_RUNNING_TOOLS ""
!insertmacro STOP_RUNNING_TOOLS "un."

; The installer runs elevated; the tool must not: the helper starts it through
; the desktop's shell, as the user logged on there.
Function StartToolAsUser
    nsExec::Exec '"$PLUGINSDIR\stopkeytool.exe" /start "$INSTDIR\${EXE}"'
    Pop $0
FunctionEnd

; The program's files, as the set-up writes them (the uninstaller last).
!macro DELETE_PROGRAM_FILES
    Delete "$INSTDIR\${EXE}"
    Delete "$INSTDIR\ukeyctl.exe"
    Delete "$INSTDIR\DravikFun_tovex.dll"
!ifdef OUR_KEYLIB
    Delete "$INSTDIR\keyadmin.exe"
    Delete "$INSTDIR\demo.key"
!endif
!macroend

Section "-Program"
    SetShellVarContext all
    Call StopRunningTools
    ; The installed version is kept aside for .onInstFailed.
    StrCpy $WrittenOver "nothing"
    ${If} ${FileExists} "$INSTDIR\${EXE}"
        CreateDirectory "$PLUGINSDIR\previous"
        CopyFiles /SILENT "$INSTDIR\*.*" "$PLUGINSDIR\previous"
        StrCpy $WrittenOver "previous"
    ${EndIf}
    SetOutPath "$INSTDIR"
    ClearErrors
    File "${STAGE}\${EXE}"
    File "${STAGE}\ukeyctl.exe"
    File "${STAGE}\DravikFun_tovex.dll"
!ifdef OUR_KEYLIB
    File "${STAGE}\keyadmin.exe"
    File "${STAGE}\demo.key"
!endif
    ; A file still in use (held by a program of another session) must not pass
    ; for an upgrade.
    ${If} ${Errors}
        SetErrorLevel ${ERROR_REFUSED}
        Abort "无法替换$INSTDIR中的文件。"
    ${EndIf}
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}"

    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
    ; Written again below when the logon start stays chosen.
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"

!ifdef OUR_KEYLIB
    ; The installing user gets the demo key (pulled) unless a key of that name exists.
    SetShellVarContext current
    ${IfNot} ${FileExists} "${KEY_STORE}\demo.key"
        CreateDirectory "${KEY_STORE}"
        CopyFiles /SILENT "$INSTDIR\demo.key" "${KEY_STORE}\demo.key"
    ${EndIf}
    SetShellVarContext all
!endif
SectionEnd

Section "登录Windows时自动启动" SectionAutostart
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${EXE}"'
SectionEnd

Function .onInit
    !insertmacro REG_VIEW
    SetShellVarContext all
    ${GetParameters} $R0
    ReadRegStr $R1 HKLM "${UNINST_KEY}" "DisplayVersion"

    ${If} $R1 != ""
        ${VersionCompare} "${VERSION}" "$R1" $R2
        ClearErrors
        ${GetOptions} $R0 "/ALLOWDOWNGRADE" $R3
        ${If} $R2 == 2
        ${AndIf} ${Errors}
            MessageBox MB_YESNO|MB_ICONEXCLAMATION "已安装较新的版本 $R1。要用旧版本 ${VERSION} 替换它吗？" /SD IDNO IDYES downgrade
            SetErrorLevel ${ERROR_REFUSED}
            Quit
            downgrade:
        ${EndIf}
    ${EndIf}

    ; Without /AUTOSTART an upgrade keeps the choice made before.
    ClearErrors
    ${GetOptions} $R0 "/AUTOSTART=" $R3
    ${If} ${Errors}
        ReadRegStr $R3 HKLM "${RUN_KEY}" "${RUN_VALUE}"
        ${If} $R1 != ""
        ${AndIf} $R3 == ""
            !insertmacro UnselectSection ${SectionAutostart}
        ${EndIf}
    ${ElseIf} $R3 == "0"
        !insertmacro UnselectSection ${SectionAutostart}
    ${EndIf}
FunctionEnd

; Called on every failure, silent or not (a file the user gave up on
; included): the old version goes back whole, a new one goes, and a tool
; ended for the set-up runs again.
Function .onInstFailed
    ${If} $WrittenOver == "previous"
        CopyFiles /SILENT "$PLUGINSDIR\previous\*.*" "$INSTDIR"
    ${ElseIf} $WrittenOver == "nothing"
        !insertmacro DELETE_PROGRAM_FILES
        RMDir "$INSTDIR"
    ${EndIf}
    ${If} $EndedTool == 1
        Call StartToolAsUser
    ${EndIf}
FunctionEnd

Function .onInstSuccess
    ${If} ${Silent}
        ${GetParameters} $R0
        ClearErrors
        ${GetOptions} $R0 "/RUN" $R1
        ${IfNot} ${Errors}
            Call StartToolAsUser
        ${EndIf}
    ${EndIf}
FunctionEnd

; In this order: the tools end before their files and keys go, and the
; uninstall entry goes last, so its absence means the uninstaller is done.
Section "-un.Program"
    Call un.StopRunningTools
    SetShellVarContext all
    SetOutPath "$TEMP"
    ClearErrors
    !insertmacro DELETE_PROGRAM_FILES
    ; A file still in use: the uninstaller and its entry stay, so that it can run again.
    ${If} ${Errors}
        SetErrorLevel ${ERROR_REFUSED}
        Abort "无法删除$INSTDIR中的文件。"
    ${EndIf}
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    ; The publisher's folder goes too once nothing else is in it.
    RMDir "${PROGRAM_FILES}\Qelmora"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ; What the tool keeps for the uninstalling user: its log and its reminder records.
    SetShellVarContext current
    RMDir /r "${USER_DATA}"
    RMDir "$LOCALAPPDATA\Qelmora"
    DeleteRegKey HKCU "${USER_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Qelmora"
SectionEnd

!ifdef OUR_KEYLIB
Section /o "un.同时删除UsbKey数据（虚拟Key及其证书）" SectionRemoveKeys
    SetShellVarContext current
    RMDir /r "${KEY_STORE}"
    SetShellVarContext all
SectionEnd
!endif

Section "-un.Entry"
    DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd

Function un.onInit
    !insertmacro REG_VIEW
!ifdef OUR_KEYLIB
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/REMOVEKEYS" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SectionRemoveKeys}
    ${EndIf}
!endif
FunctionEnd
