<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ml_IN">
<context>
    <name>Application</name>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 ഒരു ഫോൾഡർ അല്ല</translation>
    </message>
    <message>
        <source>%1 belongs to another user</source>
        <translation>%1 മറ്റൊരു ഉപയോക്താവിന്റേതാണ്</translation>
    </message>
    <message>
        <source>%1 may be written by other users</source>
        <translation>%1-ൽ മറ്റ് ഉപയോക്താക്കൾക്കും എഴുതാം</translation>
    </message>
    <message>
        <source>no permission to make it</source>
        <translation>അത് ഉണ്ടാക്കാൻ അനുമതിയില്ല</translation>
    </message>
    <message>
        <source>it cannot be made</source>
        <translation>അത് ഉണ്ടാക്കാനാവില്ല</translation>
    </message>
    <message>
        <source>cannot open the window: the display (%1) cannot be reached.
Start it from a desktop session, or convert files with lipimattam-cli.</source>
        <translation>ജാലകം തുറക്കാനാവില്ല: ഡിസ്‌പ്ലേ (%1) ലഭ്യമല്ല.
ഒരു ഡെസ്ക്ടോപ്പ് സെഷനിൽ നിന്ന് തുടങ്ങുക, അല്ലെങ്കിൽ ഫയലുകൾ lipimattam-cli കൊണ്ട് മാറ്റുക.</translation>
    </message>
    <message>
        <source>cannot keep a second copy from starting (%1); starting anyway</source>
        <translation>രണ്ടാമതൊരു പകർപ്പ് തുടങ്ങുന്നത് തടയാനാവില്ല (%1); എങ്കിലും തുടങ്ങുന്നു</translation>
    </message>
    <message>
        <source>no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set).
Start it from a desktop session, or convert files with lipimattam-cli.</source>
        <translation>ജാലകം തുറക്കാൻ ഡിസ്‌പ്ലേ ഇല്ല (DISPLAY, WAYLAND_DISPLAY എന്നിവ സജ്ജമാക്കിയിട്ടില്ല).
ഒരു ഡെസ്ക്ടോപ്പ് സെഷനിൽ നിന്ന് തുടങ്ങുക, അല്ലെങ്കിൽ ഫയലുകൾ lipimattam-cli കൊണ്ട് മാറ്റുക.</translation>
    </message>
    <message>
        <source>%1 was made by a copy on the machine %2, which cannot be checked from here; starting anyway</source>
        <translation>%1 ഉണ്ടാക്കിയത് %2 എന്ന കമ്പ്യൂട്ടറിലെ ഒരു പകർപ്പാണ്, അത് ഇവിടെ നിന്ന് പരിശോധിക്കാനാവില്ല; എങ്കിലും തുടങ്ങുന്നു</translation>
    </message>
    <message>
        <source>Lipimattam</source>
        <translation>ലിപിമാറ്റം</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Convert Unicode to ML</source>
        <translation>യൂണിക്കോഡ് ML-ലേക്ക് മാറ്റുക</translation>
    </message>
    <message>
        <source>Paste Malayalam Unicode Text and click Convert Button</source>
        <translation>മലയാളം യൂണിക്കോഡ് ടെക്സ്റ്റ് ഒട്ടിച്ച് &apos;മാറ്റുക&apos; ബട്ടൺ അമർത്തുക</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>മാറ്റുക (&amp;C)</translation>
    </message>
    <message>
        <source>Copy the converted Text by pressing rightmouse button</source>
        <translation>മാറ്റിയ ടെക്സ്റ്റ് വലത് മൗസ് ബട്ടൺ അമർത്തി പകർത്തുക</translation>
    </message>
    <message>
        <source>There is not enough memory to convert this text. The text you pasted is kept; convert it in smaller parts.</source>
        <translation>ഈ ടെക്സ്റ്റ് മാറ്റാൻ ആവശ്യത്തിന് മെമ്മറിയില്ല. ഒട്ടിച്ച ടെക്സ്റ്റ് നഷ്ടപ്പെട്ടിട്ടില്ല; അത് ചെറിയ ഭാഗങ്ങളായി മാറ്റുക.</translation>
    </message>
    <message>
        <source>Do you really want to quit?</source>
        <translation>ശരിക്കും പുറത്തുകടക്കണോ?</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>ഉവ്വ് (&amp;Y)</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>വേണ്ട (&amp;N)</translation>
    </message>
</context>
</TS>
