; The Windows installer. makensis is given:
;   /DVERSION=1.03  /DSTAGE=<folder with the deployed programs>  /DICON=<the program's .ico>
;   /DOUTFILE=<setup .exe>
; It installs into the Program Files folder the settings file expects ("Corvantelis v.1.03"),
; adds a Start-menu entry and an entry in Add/Remove Programs, and the uninstaller takes away
; what it installed.

; A 64-bit installer: the programs are 64-bit, and it sees the 64-bit Program Files folder and
; registry as they are.
Target amd64-unicode

!define PRODUCT "Corvantelis"
!define FOLDER "Corvantelis v.${VERSION}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvantelis"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${FOLDER}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
Icon "${ICON}"
UninstallIcon "${ICON}"

; The licences, shown before anything is installed; a silent install (/S) skips the pages.
LicenseData "${STAGE}\licences\NOTICE.txt"
Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
    SetOutPath "$INSTDIR"
    File "${STAGE}/corvantelis.exe"
    File "${STAGE}/corvantelis-logger.exe"
    File "${STAGE}/*.dll"
    SetOutPath "$INSTDIR\platforms"
    File "${STAGE}/platforms/qwindows.dll"
    SetOutPath "$INSTDIR\styles"
    File "${STAGE}/styles/qwindowsvistastyle.dll"
    SetOutPath "$INSTDIR\licences"
    File "${STAGE}/licences/*.txt"
    SetOutPath "$INSTDIR"

    ; The program keeps its settings file (and, until another is chosen, its results) in this
    ; folder. Users may add files and folders to it, so an engineer without administrator
    ; rights can change the language and the results folder; what is installed here stays
    ; read-only to them (the grant is for the folder itself, not inherited by its files).
    ; BUILTIN\Users by its SID, so it works whatever the system's language.
    nsExec::ExecToLog 'icacls "$INSTDIR" /grant *S-1-5-32-545:M'
    Pop $0

    WriteUninstaller "$INSTDIR\uninstall.exe"
    SetShellVarContext all
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\corvantelis.exe" "" \
        "$INSTDIR\corvantelis.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\corvantelis.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\corvantelis.exe"
    Delete "$INSTDIR\corvantelis-logger.exe"
    Delete "$INSTDIR\Qt6Core.dll"
    Delete "$INSTDIR\Qt6Gui.dll"
    Delete "$INSTDIR\Qt6Widgets.dll"
    Delete "$INSTDIR\Qt6SerialPort.dll"
    Delete "$INSTDIR\Qt6Network.dll"
    Delete "$INSTDIR\libstdc++-6.dll"
    Delete "$INSTDIR\libgcc_s_seh-1.dll"
    Delete "$INSTDIR\libwinpthread-1.dll"
    Delete "$INSTDIR\platforms\qwindows.dll"
    RMDir "$INSTDIR\platforms"
    Delete "$INSTDIR\styles\qwindowsvistastyle.dll"
    RMDir "$INSTDIR\styles"
    Delete "$INSTDIR\licences\NOTICE.txt"
    Delete "$INSTDIR\licences\Corvantelis.txt"
    Delete "$INSTDIR\licences\LGPL-3.txt"
    Delete "$INSTDIR\licences\GPL-3.txt"
    Delete "$INSTDIR\licences\gcc-mingw-w64.txt"
    Delete "$INSTDIR\licences\mingw-w64.txt"
    RMDir "$INSTDIR\licences"
    Delete "$INSTDIR\uninstall.exe"
    ; The settings file and any measurements recorded here are the engineer's: they stay, and
    ; so does the folder while it holds them.
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
