; The per-machine installer of Pennant for 64-bit Windows. scripts/package-windows
; builds it with makensis from the install tree and defines:
;   VERSION          the version shown in Add/Remove Programs (1.0.0)
;   VERSION_QUAD     the same in four numbers, for the installer's version data
;   FILES            the install tree; it holds pennant.ico and LICENSE.txt
;   INSTALL_FILES    the commands that put each file of the tree in place
;   UNINSTALL_FILES  the commands that remove each of them again
;   COPYRIGHT        the copyright line of the licence
;   OUTFILE          the installer to write
; The uninstaller removes what the installer put and nothing else: the
; toolbar buttons in the registry are the user's data and stay.

Unicode true
; A 64-bit installer for a 64-bit program: it sees Program Files and the
; registry as the program does, without the 32-bit redirections.
Target amd64-unicode
; Pennant writes under HKEY_LOCAL_MACHINE, so it is installed for all users.
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Larkspur's Pennant"
!define PUBLISHER "Larkspur"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pennant"
!define UNINSTALLER "$INSTDIR\Uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\Pennant.lnk"
!define ICON "$INSTDIR\pennant.ico"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Pennant"
; Installing again goes where the first install went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" InstallLocation

!define MUI_ICON "${FILES}/pennant.ico"
!define MUI_UNICON "${FILES}/pennant.ico"
!insertmacro MUI_PAGE_LICENSE "${FILES}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

VIProductVersion ${VERSION_QUAD}
VIFileVersion ${VERSION_QUAD}
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductName "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileDescription "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} LegalCopyright "${COPYRIGHT}"

; Both the installer and the uninstaller work on the all-users Start menu,
; and only for an administrator, also when run silently with /S.
!macro REQUIRE_ADMINISTRATOR
  SetShellVarContext all
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is installed for all users of this computer. Please run this as an administrator." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro REQUIRE_ADMINISTRATOR
FunctionEnd

Function un.onInit
  !insertmacro REQUIRE_ADMINISTRATOR
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  !include "${INSTALL_FILES}"
  WriteUninstaller "${UNINSTALLER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\Pennant.exe" "" "${ICON}" 0 SW_SHOWNORMAL "" \
    "Edit the web browser's custom toolbar buttons"

  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayIcon "${ICON}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" URLInfoAbout "https://www.larkspur.example/"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1
  ; In kilobytes, the uninstaller included.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" EstimatedSize $0
SectionEnd

Section Uninstall
  Delete "${SHORTCUT}"
  !include "${UNINSTALL_FILES}"
  Delete "${UNINSTALLER}"
  ; Only when empty: a folder the user chose may hold files of their own.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
