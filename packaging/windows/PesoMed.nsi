; Installer of the Windows program, made by scripts/windows.sh:
;   makensis -DVERSION=23.2 -DSTAGE=<program folder> -DOUTFILE=<setup.exe>
;            -DUNFILES=<uninstall list> [-DICON=<file.ico>]
; The program goes into C:\VELTRAMO\PesoMed by default, the report project
; into C:\VELTRAMO\RPT, where the program reads it.

; A 64-bit installer for the 64-bit program.
Target amd64-unicode
!include "MUI2.nsh"

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef STAGE
  !error "STAGE (the folder of the program) is not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "PesoMed-${VERSION}-win64-setup.exe"
!endif
; Our icon when given, NSIS's own otherwise.
!ifndef ICON
  !define ICON "${NSISDIR}/Contrib/Graphics/Icons/modern-install.ico"
!endif

!define NOME "Peso Médio"
!define RAIZ "C:\VELTRAMO"
!define CHAVE_DESINSTALAR "Software\Microsoft\Windows\CurrentVersion\Uninstall\PesoMed"

Name "${NOME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${RAIZ}\PesoMed"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
Icon "${ICON}"
UninstallIcon "${ICON}"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "PortugueseBR"

Section "Peso Médio"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r /x RPT "${STAGE}/*"
  File "/oname=PesoMed.ico" "${ICON}"

  ; The report project lies at its fixed place in the suite's folder.
  SetOutPath "${RAIZ}\RPT"
  File "${STAGE}/RPT/rptPesoMed.rav"

  ; The suite's configuration of this workstation, beside the program, unless
  ; the folder has one already.
  IfFileExists "$INSTDIR\VELTRAMO.INI" +3 0
  IfFileExists "${RAIZ}\VELTRAMO.INI" 0 +2
  CopyFiles /SILENT "${RAIZ}\VELTRAMO.INI" "$INSTDIR\VELTRAMO.INI"

  ; The balance settings (PesoMed.ini) are written beside the program by
  ; whoever uses the workstation.
  nsExec::Exec 'icacls "$INSTDIR" /grant *S-1-5-32-545:(OI)(CI)M'
  Pop $0

  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\${NOME}.lnk" "$INSTDIR\PesoMed.exe" "" "$INSTDIR\PesoMed.ico"
  WriteUninstaller "$INSTDIR\Desinstalar.exe"
  WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "DisplayName" "${NOME}"
  WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "DisplayIcon" "$INSTDIR\PesoMed.ico"
  WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${CHAVE_DESINSTALAR}" "UninstallString" '"$INSTDIR\Desinstalar.exe"'
  WriteRegDWORD HKLM "${CHAVE_DESINSTALAR}" "NoModify" 1
  WriteRegDWORD HKLM "${CHAVE_DESINSTALAR}" "NoRepair" 1
SectionEnd

; Removes exactly the files installed: the folder may be the suite's own, and
; the workstation's settings (PesoMed.ini, VELTRAMO.INI) stay.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${NOME}.lnk"
  !include "${UNFILES}"
  Delete "$INSTDIR\PesoMed.ico"
  Delete "$INSTDIR\Desinstalar.exe"
  RMDir "$INSTDIR"
  Delete "${RAIZ}\RPT\rptPesoMed.rav"
  RMDir "${RAIZ}\RPT"
  DeleteRegKey HKLM "${CHAVE_DESINSTALAR}"
SectionEnd
