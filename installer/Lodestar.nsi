; Lodestar setup: a per-user installation of the 64-bit program. No administrator rights are needed;
; everything goes under the user's own folders and HKEY_CURRENT_USER.
;
; Setup (LodestarSetup.exe):
;   /S              silent installation
;   /D=FOLDER       installation folder (last on the command line, unquoted, may contain blanks);
;                   default %LOCALAPPDATA%\Programs\Lodestar, or the folder of an earlier installation
; Uninstaller (Uninstall.exe in the installation folder):
;   /S              silent uninstallation; the settings under HKCU\Software\Marlowe\Lodestar are kept
;   /PURGE          also delete the settings (with /S: without asking)
;
; A running Lodestar is asked to end (as closing its windows does, so that it saves its items) before
; any file is replaced or removed. If it does not end, or a file stays in use, the user may retry or
; cancel; in silent mode the run fails (exit code 2) and changes nothing.
;
; Exit codes: 0 done, 1 cancelled by the user, 2 failed.
;
; Built by the build system: makensis -INPUTCHARSET UTF8 -DVERSION=... -DLODESTAR_EXE=... -DLSHOOK_DLL=...
;   -DLSCTL_EXE=... -DHELP_FILE=... -DICON_FILE=... -DOUTFILE=... Lodestar.nsi

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!ifndef VERSION
    !define VERSION "3.00"
!endif
!ifndef OUTFILE
    !define OUTFILE "LodestarSetup.exe"
!endif
!macro RequireDefine NAME
    !ifndef ${NAME}
        !error "${NAME} is not defined: pass -D${NAME}=<path> to makensis"
    !endif
!macroend
!insertmacro RequireDefine LODESTAR_EXE
!insertmacro RequireDefine LSHOOK_DLL
!insertmacro RequireDefine LSCTL_EXE
!insertmacro RequireDefine HELP_FILE

!define PRODUCT "Lodestar"
!define PUBLISHER "Marlowe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lodestar"
!define SETTINGS_KEY "Software\Marlowe\Lodestar"
!define VENDOR_KEY "Software\Marlowe"
!define UNINSTALLER "Uninstall.exe"
; The program's own window, which ends the program when it is closed.
!define MAIN_WINDOW_CLASS "LodestarMainWindow"
; Files staged under this suffix replace the installed ones only once every one of them is in place.
!define STAGED ".lsnew"
; Value of the uninstall key: the outermost folder the installation created.
!define CREATED_VALUE "LodestarCreatedFolder"
!define START_MENU "$SMPROGRAMS\Lodestar"
!define HELP_LINK "Lodestar ヘルプ.lnk"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} セットアップ"
UninstallCaption "${PRODUCT} ${VERSION} アンインストール"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Lodestar"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!ifdef ICON_FILE
    !define MUI_ICON "${ICON_FILE}"
    !define MUI_UNICON "${ICON_FILE}"
!endif
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "セットアップは Lodestar ${VERSION} をこのコンピューターにインストールします。$\r$\n$\r$\nLodestar が実行中の場合は、ファイルを置き換える前にセットアップが終了させます (アイコンと設定は保存されます)。管理者の権限は必要ありません。$\r$\n$\r$\n続けるには [次へ] をクリックしてください。"
!define MUI_UNABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Lodestar.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Lodestar を起動する"
!define MUI_FINISHPAGE_NOREBOOTSUPPORT

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"

; Functions both the installer and the uninstaller need: NSIS wants the uninstaller's under names
; beginning with "un.".
!macro SharedFunctions UN

; Asks a running Lodestar to end and waits for its process. Aborts when it does not end and the user
; cancels (silent mode: at once).
Function ${UN}EndRunningCopy
    Push $0
    Push $1
    Push $2
    Push $3
    Push $4
    StrCpy $4 0
    ${Do}
        System::Call 'user32::FindWindowW(w "${MAIN_WINDOW_CLASS}", p 0) p .r0'
        ${If} $0 P= 0
            ${Break}
        ${EndIf}
        ${If} $4 = 0
            DetailPrint "実行中の Lodestar を終了しています..."
        ${EndIf}
        ${If} $4 >= 3
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Lodestar が実行中で、終了できませんでした。$\r$\n$\r$\nLodestar を終了してから [再試行] を押してください。[キャンセル] を押すと、何も変更せずに中止します。" /SD IDCANCEL IDRETRY retry
            DetailPrint "Lodestar が終了しないため中止しました。"
            SetErrorLevel 2
            Abort
            retry:
            StrCpy $4 0
        ${EndIf}
        StrCpy $1 0
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
        ; SYNCHRONIZE: enough to wait for the process to end.
        System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
        ; WM_CLOSE: the program saves its items and ends, as by its own exit command.
        System::Call 'user32::PostMessageW(p r0, i 0x0010, p 0, p 0) i'
        ${If} $2 P<> 0
            System::Call 'kernel32::WaitForSingleObject(p r2, i 10000) i .r3'
            System::Call 'kernel32::CloseHandle(p r2) i'
        ${Else}
            Sleep 2000
        ${EndIf}
        IntOp $4 $4 + 1
    ${Loop}
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd

; Waits until the file whose full path is on the stack may be replaced or deleted, or aborts when the
; user cancels. A missing file is free.
Function ${UN}WaitFileFree
    Exch $0
    Push $1
    ${DoWhile} ${FileExists} "$0"
        ClearErrors
        FileOpen $1 "$0" a
        ${IfNot} ${Errors}
            FileClose $1
            ${Break}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "ファイル $\"$0$\" は他のプログラムが使用中です。$\r$\n$\r$\nそのプログラムを終了してから [再試行] を押してください。[キャンセル] を押すと、何も変更せずに中止します。" /SD IDCANCEL IDRETRY retryFile
        DetailPrint "使用中のファイルがあるため中止しました: $0"
        SetErrorLevel 2
        Abort
        retryFile:
    ${Loop}
    Pop $1
    Pop $0
FunctionEnd

Function ${UN}ProgramFilesFree
    Push "$INSTDIR\Lodestar.exe"
    Call ${UN}WaitFileFree
    Push "$INSTDIR\LSHOOK.DLL"
    Call ${UN}WaitFileFree
    Push "$INSTDIR\lsctl.exe"
    Call ${UN}WaitFileFree
    Push "$INSTDIR\Lodestar.chm"
    Call ${UN}WaitFileFree
FunctionEnd

!macroend
!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

!macro StageFile SOURCE NAME
    File "/oname=${NAME}${STAGED}" "${SOURCE}"
!macroend

; Puts a staged file in place of the installed one.
!macro CommitFile NAME
    System::Call 'kernel32::MoveFileExW(w "$INSTDIR\${NAME}${STAGED}", w "$INSTDIR\${NAME}", i 0x1) i .r0'
    ${If} $0 = 0
        MessageBox MB_OK|MB_ICONSTOP "ファイル $\"$INSTDIR\${NAME}$\" を置き換えられませんでした。$\r$\nもう一度セットアップを実行してください。" /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
!macroend

!macro AddFileSize TOTAL PATH
    FileOpen $R0 "${PATH}" r
    FileSeek $R0 0 END $R1
    FileClose $R0
    IntOp ${TOTAL} ${TOTAL} + $R1
!macroend

!macro RemoveStaged NAME
    Delete "$INSTDIR\${NAME}${STAGED}"
!macroend

Section "Lodestar" SecProgram
    SectionIn RO
    SetShellVarContext current
    SetOverwrite on
    ; A file that cannot be written asks for Retry or Cancel, never Ignore: a skipped file would leave
    ; a program that does not match its library or help.
    AllowSkipFiles off

    Call EndRunningCopy
    Call ProgramFilesFree

    ; The outermost folder this installation creates (the folder itself, or parents the user named that
    ; did not exist yet): the uninstaller removes up to it what is left empty. An installation over an
    ; earlier one in the same folder keeps what that one recorded.
    StrCpy $5 ""
    StrCpy $6 "$INSTDIR"
    ${Do}
        ${If} $6 == ""
        ${OrIf} ${FileExists} "$6\*.*"
            ${Break}
        ${EndIf}
        StrCpy $5 "$6"
        ${GetParent} "$6" $6
    ${Loop}
    ReadRegStr $7 HKCU "${UNINST_KEY}" "InstallLocation"
    ${If} $5 == ""
    ${AndIf} $7 == "$INSTDIR"
        ReadRegStr $5 HKCU "${UNINST_KEY}" "${CREATED_VALUE}"
    ${EndIf}

    ; The new files are unpacked beside the installed ones first, so that a failure while unpacking
    ; (a full disk, a cancelled retry) leaves the installed version as it was.
    SetOutPath "$INSTDIR"
    !insertmacro StageFile "${LODESTAR_EXE}" "Lodestar.exe"
    !insertmacro StageFile "${LSHOOK_DLL}" "LSHOOK.DLL"
    !insertmacro StageFile "${LSCTL_EXE}" "lsctl.exe"
    !insertmacro StageFile "${HELP_FILE}" "Lodestar.chm"
    !insertmacro CommitFile "Lodestar.exe"
    !insertmacro CommitFile "LSHOOK.DLL"
    !insertmacro CommitFile "lsctl.exe"
    !insertmacro CommitFile "Lodestar.chm"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    CreateDirectory "${START_MENU}"
    CreateShortcut "${START_MENU}\Lodestar.lnk" "$INSTDIR\Lodestar.exe" "" "$INSTDIR\Lodestar.exe" 0 \
        SW_SHOWNORMAL "" "タスクトレイのアイコンからプログラムを起動します"
    CreateShortcut "${START_MENU}\${HELP_LINK}" "$INSTDIR\Lodestar.chm"

    WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Lodestar.exe,0"
    WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegStr HKCU "${UNINST_KEY}" "${CREATED_VALUE}" "$5"
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
    ; In KiB, as Windows reads it; only our files count, not whatever else the folder holds.
    StrCpy $1 0
    !insertmacro AddFileSize $1 "$INSTDIR\Lodestar.exe"
    !insertmacro AddFileSize $1 "$INSTDIR\LSHOOK.DLL"
    !insertmacro AddFileSize $1 "$INSTDIR\lsctl.exe"
    !insertmacro AddFileSize $1 "$INSTDIR\Lodestar.chm"
    !insertmacro AddFileSize $1 "$INSTDIR\${UNINSTALLER}"
    IntOp $1 $1 + 1023
    IntOp $1 $1 / 1024
    WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $1
SectionEnd

Function .onInstFailed
    ; Whatever was staged goes; the installed version, if any, is untouched.
    !insertmacro RemoveStaged "Lodestar.exe"
    !insertmacro RemoveStaged "LSHOOK.DLL"
    !insertmacro RemoveStaged "lsctl.exe"
    !insertmacro RemoveStaged "Lodestar.chm"
    ; A folder created by this run and left empty.
    RMDir "$INSTDIR"
FunctionEnd

Section "Uninstall"
    SetShellVarContext current
    Call un.EndRunningCopy
    Call un.ProgramFilesFree

    Delete "$INSTDIR\Lodestar.exe"
    Delete "$INSTDIR\LSHOOK.DLL"
    Delete "$INSTDIR\lsctl.exe"
    Delete "$INSTDIR\Lodestar.chm"
    ; Left by a setup that was ended by force while unpacking.
    !insertmacro RemoveStaged "Lodestar.exe"
    !insertmacro RemoveStaged "LSHOOK.DLL"
    !insertmacro RemoveStaged "lsctl.exe"
    !insertmacro RemoveStaged "Lodestar.chm"
    ${If} ${FileExists} "$INSTDIR\Lodestar.exe"
    ${OrIf} ${FileExists} "$INSTDIR\LSHOOK.DLL"
    ${OrIf} ${FileExists} "$INSTDIR\lsctl.exe"
    ${OrIf} ${FileExists} "$INSTDIR\Lodestar.chm"
        ; The registration stays, so that the uninstallation can be run again.
        MessageBox MB_OK|MB_ICONSTOP "一部のファイルを削除できませんでした ($INSTDIR)。$\r$\nもう一度アンインストールを実行してください。" /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    Delete "$INSTDIR\${UNINSTALLER}"

    ; The shortcuts and the registration belong to the most recent installation: an older copy
    ; uninstalled from another folder leaves those of the newer one alone.
    ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
    ReadRegStr $3 HKCU "${UNINST_KEY}" "${CREATED_VALUE}"
    ${If} $0 != ""
    ${AndIf} $0 != "$INSTDIR"
        StrCpy $3 ""
    ${EndIf}

    ; Only when empty: files the user put there stay, and so does their folder. Then the parents this
    ; installation created, up to the outermost, as far as they are empty.
    RMDir "$INSTDIR"
    ${If} ${FileExists} "$INSTDIR\*.*"
        DetailPrint "フォルダー $INSTDIR には他のファイルがあるため、残しました。"
    ${ElseIf} $3 != ""
    ${AndIf} $3 != "$INSTDIR"
        ; Only a parent of the installation folder: whatever else the value names is left alone.
        StrCpy $6 "$INSTDIR"
        ${Do}
            ${GetParent} "$6" $6
            ${If} $6 == ""
            ${OrIf} $6 == "$3"
                ${Break}
            ${EndIf}
        ${Loop}
        ${If} $6 == "$3"
            ${GetParent} "$INSTDIR" $6
            ${Do}
                RMDir "$6"
                ${If} $6 == "$3"
                ${OrIf} ${FileExists} "$6\*.*"
                    ${Break}
                ${EndIf}
                ${GetParent} "$6" $6
            ${Loop}
        ${EndIf}
    ${EndIf}

    ${If} $0 == ""
    ${OrIf} $0 == "$INSTDIR"
        Delete "${START_MENU}\Lodestar.lnk"
        Delete "${START_MENU}\${HELP_LINK}"
        RMDir "${START_MENU}"
        DeleteRegKey HKCU "${UNINST_KEY}"
    ${EndIf}

    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/PURGE" $2
    ${If} ${Errors}
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Lodestar の設定 (アイコン、グループ、動作の設定) も削除しますか?$\r$\n$\r$\n[いいえ] を選ぶと設定は残り、もう一度インストールしたときにそのまま使えます。" /SD IDNO IDYES purge
        Goto done
    ${EndIf}
    purge:
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "${VENDOR_KEY}"
    DetailPrint "設定を削除しました。"
    done:
SectionEnd
