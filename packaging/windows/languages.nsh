; The installer's languages: every language of the program's language list
; that NSIS ships, and the texts of our own pages in each of them.

; Calls macro M with the NSIS name and the LANG_ define's name of each
; language besides English, French, German and Spanish, in the order of the
; program's list. Maltese, Persian and Tagalog have no NSIS language file.
!macro FOR_OTHER_LANGUAGES M
  !insertmacro ${M} Afrikaans AFRIKAANS
  !insertmacro ${M} Albanian ALBANIAN
  !insertmacro ${M} Arabic ARABIC
  !insertmacro ${M} Belarusian BELARUSIAN
  !insertmacro ${M} Bosnian BOSNIAN
  !insertmacro ${M} Bulgarian BULGARIAN
  !insertmacro ${M} Catalan CATALAN
  !insertmacro ${M} SimpChinese SIMPCHINESE
  !insertmacro ${M} TradChinese TRADCHINESE
  !insertmacro ${M} Croatian CROATIAN
  !insertmacro ${M} Czech CZECH
  !insertmacro ${M} Danish DANISH
  !insertmacro ${M} Dutch DUTCH
  !insertmacro ${M} Esperanto ESPERANTO
  !insertmacro ${M} Estonian ESTONIAN
  !insertmacro ${M} Farsi FARSI
  !insertmacro ${M} Finnish FINNISH
  !insertmacro ${M} Galician GALICIAN
  !insertmacro ${M} Greek GREEK
  !insertmacro ${M} Hebrew HEBREW
  !insertmacro ${M} Hindi HINDI
  !insertmacro ${M} Hungarian HUNGARIAN
  !insertmacro ${M} Icelandic ICELANDIC
  !insertmacro ${M} Indonesian INDONESIAN
  !insertmacro ${M} Italian ITALIAN
  !insertmacro ${M} Japanese JAPANESE
  !insertmacro ${M} Korean KOREAN
  !insertmacro ${M} Kurdish KURDISH
  !insertmacro ${M} Latvian LATVIAN
  !insertmacro ${M} Lithuanian LITHUANIAN
  !insertmacro ${M} Macedonian MACEDONIAN
  !insertmacro ${M} Malay MALAY
  !insertmacro ${M} Mongolian MONGOLIAN
  !insertmacro ${M} Norwegian NORWEGIAN
  !insertmacro ${M} Polish POLISH
  !insertmacro ${M} PortugueseBR PORTUGUESEBR
  !insertmacro ${M} Romanian ROMANIAN
  !insertmacro ${M} Russian RUSSIAN
  !insertmacro ${M} Serbian SERBIAN
  !insertmacro ${M} SerbianLatin SERBIANLATIN
  !insertmacro ${M} Slovak SLOVAK
  !insertmacro ${M} Slovenian SLOVENIAN
  !insertmacro ${M} Swedish SWEDISH
  !insertmacro ${M} Thai THAI
  !insertmacro ${M} Turkish TURKISH
  !insertmacro ${M} Ukrainian UKRAINIAN
  !insertmacro ${M} Uzbek UZBEK
  !insertmacro ${M} Welsh WELSH
!macroend

!macro _LOAD_LANGUAGE NAME UPPER
  !insertmacro MUI_LANGUAGE "${NAME}"
!macroend

; English first: it is the fallback for a system language we do not ship.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro FOR_OTHER_LANGUAGES _LOAD_LANGUAGE

; Our own texts exist in the program's four dialog languages; the others
; show the English ones.
!macro _ENGLISH_STRING NAME UPPER
  LangString ${_T_NAME} ${LANG_${UPPER}} "${_T_EN}"
!macroend
!macro TEXT NAME EN FR DE ES
  LangString ${NAME} ${LANG_ENGLISH} "${EN}"
  LangString ${NAME} ${LANG_FRENCH} "${FR}"
  LangString ${NAME} ${LANG_GERMAN} "${DE}"
  LangString ${NAME} ${LANG_SPANISH} "${ES}"
  !define _T_NAME "${NAME}"
  !define _T_EN "${EN}"
  !insertmacro FOR_OTHER_LANGUAGES _ENGLISH_STRING
  !undef _T_NAME
  !undef _T_EN
!macroend

!insertmacro TEXT ScopeTitle "Installation scope" "Type d'installation" "Installationsart" "Tipo de instalación"
!insertmacro TEXT ScopeSubtitle "Choose who may use ${PRODUCT}." \
  "Choisissez qui pourra utiliser ${PRODUCT}." \
  "Wählen Sie, wer ${PRODUCT} benutzen darf." \
  "Elija quién podrá usar ${PRODUCT}."
!insertmacro TEXT ScopeMachine "For all users of this computer (needs administrator rights)" \
  "Pour tous les utilisateurs de cet ordinateur (droits d'administrateur requis)" \
  "Für alle Benutzer dieses Computers (Administratorrechte erforderlich)" \
  "Para todos los usuarios de este equipo (requiere derechos de administrador)"
!insertmacro TEXT ScopeUser "Only for me (no administrator rights needed)" \
  "Seulement pour moi (sans droits d'administrateur)" \
  "Nur für mich (keine Administratorrechte nötig)" \
  "Solo para mí (sin derechos de administrador)"
!insertmacro TEXT NoRights "Setup did not get administrator rights. Choose $\"Only for me$\" to install without them." \
  "Le programme d'installation n'a pas obtenu les droits d'administrateur. Choisissez $\"Seulement pour moi$\" pour installer sans eux." \
  "Das Setup hat keine Administratorrechte erhalten. Wählen Sie $\"Nur für mich$\", um ohne sie zu installieren." \
  "El instalador no obtuvo derechos de administrador. Elija $\"Solo para mí$\" para instalar sin ellos."
!insertmacro TEXT CloseRunning "${PRODUCT} is running. Click OK to close it and go on, or Cancel to stop." \
  "${PRODUCT} est en cours d'exécution. Cliquez sur OK pour le fermer et continuer, ou sur Annuler pour arrêter." \
  "${PRODUCT} läuft gerade. Klicken Sie auf OK, um es zu beenden und fortzufahren, oder auf Abbrechen." \
  "${PRODUCT} se está ejecutando. Haga clic en Aceptar para cerrarlo y continuar, o en Cancelar para detenerse."
!insertmacro TEXT StillRunning "${PRODUCT} could not be closed. Close it and try again." \
  "${PRODUCT} n'a pas pu être fermé. Fermez-le et réessayez." \
  "${PRODUCT} konnte nicht beendet werden. Beenden Sie es und versuchen Sie es erneut." \
  "No se pudo cerrar ${PRODUCT}. Ciérrelo e inténtelo de nuevo."
!insertmacro TEXT TypeName "RAR archive" "Archive RAR" "RAR-Archiv" "Archivo RAR"
!insertmacro TEXT VerbExtract "Extract!" "Extraire !" "Entpacken!" "¡Extraer!"
!insertmacro TEXT RemoveSettings "Remove my settings" "Supprimer mes réglages" "Meine Einstellungen entfernen" "Eliminar mi configuración"
!insertmacro TEXT RemoveSettingsInfo "Also delete your ${PRODUCT} settings and password list (the folder Ostrel\${PRODUCT} in your application data)." \
  "Supprime aussi vos réglages et votre liste de mots de passe de ${PRODUCT} (le dossier Ostrel\${PRODUCT} de vos données d'application)." \
  "Löscht auch Ihre ${PRODUCT}-Einstellungen und Ihre Passwortliste (den Ordner Ostrel\${PRODUCT} in Ihren Anwendungsdaten)." \
  "Elimina también su configuración y su lista de contraseñas de ${PRODUCT} (la carpeta Ostrel\${PRODUCT} de sus datos de programa)."

; The program names a few languages by codes of its own; the value the
; installer records must be the program's code, and a recorded code must
; preselect the language again. NSIS id -> program code: Icelandic 1039 -> 15,
; Hindi 1081 -> 10001, Welsh 1106 -> 1160.
; $0 := the code to record for $LANGUAGE
Function ProgramLanguageCode
  StrCpy $0 $LANGUAGE
  ${Select} $LANGUAGE
    ${Case} 1039
      StrCpy $0 15
    ${Case} 1081
      StrCpy $0 10001
    ${Case} 1106
      StrCpy $0 1160
  ${EndSelect}
FunctionEnd

!macro LANGUAGE_CODE_FUNCTIONS UN
  ; $LANGUAGE := the language of recorded code $0 (left alone when $0 is empty)
  Function ${UN}UseRecordedLanguage
    ${Select} $0
      ${Case} ""
      ${Case} 15
        StrCpy $LANGUAGE 1039
      ${Case} 10001
        StrCpy $LANGUAGE 1081
      ${Case} 1160
        StrCpy $LANGUAGE 1106
      ${CaseElse}
        StrCpy $LANGUAGE $0
    ${EndSelect}
  FunctionEnd
!macroend
