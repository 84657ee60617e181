; .syx files open in Flashmere. The file type is Flashmere's own ProgID; .syx is pointed
; at it only when no other program has claimed the extension, and Flashmere is offered
; in "Open with" either way. The uninstaller takes back exactly what was given.

!macro FlashmereAssociateSyx
  WriteRegStr SHCTX "Software\Classes\Flashmere.SysExFile" "" "SysEx firmware file"
  WriteRegStr SHCTX "Software\Classes\Flashmere.SysExFile\DefaultIcon" "" "$INSTDIR\Flashmere.exe,0"
  WriteRegStr SHCTX "Software\Classes\Flashmere.SysExFile\shell\open\command" "" '"$INSTDIR\Flashmere.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\.syx\OpenWithProgids" "Flashmere.SysExFile" ""
  ReadRegStr $0 SHCTX "Software\Classes\.syx" ""
  StrCmp $0 "" 0 +2
    WriteRegStr SHCTX "Software\Classes\.syx" "" "Flashmere.SysExFile"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

!macro FlashmereForgetSyx
  ReadRegStr $0 SHCTX "Software\Classes\.syx" ""
  StrCmp $0 "Flashmere.SysExFile" 0 +2
    DeleteRegValue SHCTX "Software\Classes\.syx" ""
  DeleteRegValue SHCTX "Software\Classes\.syx\OpenWithProgids" "Flashmere.SysExFile"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.syx\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.syx"
  DeleteRegKey SHCTX "Software\Classes\Flashmere.SysExFile"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend
