<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>ComPort</name>
    <message>
        <source> (Error: %1)</source>
        <translation> (Error: %1)</translation>
    </message>
    <message>
        <source>Unable to open com port</source>
        <translation>Unable to open com port</translation>
    </message>
    <message>
        <source>WriteFile function failed</source>
        <translation>WriteFile function failed</translation>
    </message>
    <message>
        <source>ReadFile function failed</source>
        <translation>ReadFile function failed</translation>
    </message>
    <message>
        <source>PurgeComm function failed</source>
        <translation>PurgeComm function failed</translation>
    </message>
    <message>
        <source>Unable to get async status</source>
        <translation>Unable to get async status</translation>
    </message>
    <message>
        <source>SetCommState function failed</source>
        <translation>SetCommState function failed</translation>
    </message>
    <message>
        <source>SetCommTimeouts failed</source>
        <translation>SetCommTimeouts failed</translation>
    </message>
    <message>
        <source>SetupComm function failed</source>
        <translation>SetupComm function failed</translation>
    </message>
    <message>
        <source>ClearCommError function failed</source>
        <translation>ClearCommError function failed</translation>
    </message>
    <message>
        <source>EscapeCommFunction function failed</source>
        <translation>EscapeCommFunction function failed</translation>
    </message>
    <message>
        <source>TransmitCommChar function failed</source>
        <translation>TransmitCommChar function failed</translation>
    </message>
    <message>
        <source>Port Not Open</source>
        <translation>Port Not Open</translation>
    </message>
    <message>
        <source>Com port error %1</source>
        <translation>Com port error %1</translation>
    </message>
    <message>
        <source>%1 kann seine Übertragungsrate nicht ändern: über socket:// gelten die Einstellungen des Geräteservers. Für diesen Vorgang braucht es %2 bit/s; am Geräteserver RFC 2217 einschalten und rfc2217:// eintragen.</source>
        <translation>%1 cannot change its rate: over socket:// the device server&apos;s own settings apply. This job needs %2 bit/s; switch on RFC 2217 at the device server and enter rfc2217://.</translation>
    </message>
</context>
<context>
    <name>ConversionRun</name>
    <message>
        <source>Fehler bei Dateizugriff (%1)</source>
        <translation>File access error (%1)</translation>
    </message>
    <message>
        <source>fertig!</source>
        <translation>done!</translation>
    </message>
    <message>
        <source>Konvertierung abgebrochen ...</source>
        <translation>Conversion cancelled ...</translation>
    </message>
    <message>
        <source>Konvertierung gestartet ...</source>
        <translation>Conversion started ...</translation>
    </message>
    <message>
        <source>Quelle: %1</source>
        <translation>Source: %1</translation>
    </message>
    <message>
        <source>Ziel:   %1</source>
        <translation>Target: %1</translation>
    </message>
    <message>
        <source>bitte warten ...</source>
        <translation>please wait ...</translation>
    </message>
</context>
<context>
    <name>EnduranceRun</name>
    <message>
        <source>... wohin mit den Protokoll-Daten?</source>
        <translation>... save the log data where?</translation>
    </message>
    <message>
        <source>PRO-Datei(*.pro)|*.pro</source>
        <translation>Log file (*.pro)|*.pro</translation>
    </message>
    <message>
        <source>Fehler bei Dateizugriff</source>
        <translation>File access error</translation>
    </message>
</context>
<context>
    <name>FlashDialog</name>
    <message>
        <source> bitte die Firmware-Datei auswählen ...</source>
        <translation> please choose the firmware file ...</translation>
    </message>
    <message>
        <source>Flashdatei(*.rom)|*.rom</source>
        <translation>Firmware file(*.rom)|*.rom</translation>
    </message>
    <message>
        <source>Fehler bei Dateizugriff (%1)</source>
        <translation>File access error (%1)</translation>
    </message>
    <message>
        <source>Firmware-Datei zu groß (%1): höchstens %2 Datenzeilen</source>
        <translation>Firmware file too large (%1): at most %2 data lines</translation>
    </message>
    <message>
        <source>Fehler beim Lesen von %1</source>
        <translation>Error reading %1</translation>
    </message>
</context>
<context>
    <name>FlashProcedure</name>
    <message>
        <source>Firmware-Update fehlerhaft (%1)</source>
        <translation>Firmware update failed (%1)</translation>
    </message>
    <message>
        <source>Startzeichen fehlt ...</source>
        <translation>start character missing ...</translation>
    </message>
    <message>
        <source>in progress</source>
        <translation>in progress</translation>
    </message>
    <message>
        <source>???</source>
        <translation>???</translation>
    </message>
    <message>
        <source>ab Byte %1 - %2. Versuch</source>
        <translation>from byte %1 - attempt %2</translation>
    </message>
    <message>
        <source>zuviel Wiederholungen</source>
        <translation>too many retries</translation>
    </message>
    <message>
        <source>Firmware-Update OK</source>
        <translation>Firmware update OK</translation>
    </message>
    <message>
        <source>no ACK</source>
        <translation>no ACK</translation>
    </message>
    <message>
        <source>wrong ACK</source>
        <translation>wrong ACK</translation>
    </message>
</context>
<context>
    <name>GeneralError</name>
    <message>
        <source>Unbekannter Fehler</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>GpsCommands</name>
    <message>
        <source>Speicher wirklich löschen?<byte value="xd"/><byte value="xd"/></source>
        <translation>Really erase the memory?<byte value="xd"/><byte value="xd"/></translation>
    </message>
</context>
<context>
    <name>Heartbeat</name>
    <message>
        <source>Nächster Heartbeat in: %1 Sekunden...</source>
        <translation>Next heartbeat in: %1 seconds...</translation>
    </message>
</context>
<context>
    <name>LanguageMenu</name>
    <message>
        <source>Fehler bei Dateizugriff (%1)</source>
        <translation>File access error (%1)</translation>
    </message>
    <message>
        <source>Die Sprache wechselt beim nächsten Start des Programms.<byte value="xd"/>The language changes at the next start of the program.<byte value="xd"/><byte value="xd"/></source>
        <translation>The language changes at the next start of the program.<byte value="xd"/>Die Sprache wechselt beim nächsten Start des Programms.<byte value="xd"/><byte value="xd"/></translation>
    </message>
    <message>
        <source>&amp;Sprache / Language</source>
        <translation>&amp;Sprache / Language</translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
</context>
<context>
    <name>ListDownload</name>
    <message>
        <source>... wohin mit den List-Daten?</source>
        <translation>... save the list data where?</translation>
    </message>
    <message>
        <source>LST-Datei(*.lst)|*.lst</source>
        <translation>List file(*.lst)|*.lst</translation>
    </message>
    <message>
        <source>Fehler bei Dateizugriff</source>
        <translation>File access error</translation>
    </message>
</context>
<context>
    <name>LogTools</name>
    <message>
        <source>Log-Datei(*.log;*.txt)|*.log;*.txt|alle (*.*)|*.*</source>
        <translation>Log file(*.log;*.txt)|*.log;*.txt|all (*.*)|*.*</translation>
    </message>
</context>
<context>
    <name>NetPinDialog</name>
    <message>
        <source>Netzwerkport</source>
        <translation>Network port</translation>
    </message>
    <message>
        <source>&amp;Art:</source>
        <translation>&amp;Kind:</translation>
    </message>
    <message>
        <source>RFC 2217 (Rate und Steuerleitungen vom Programm)</source>
        <translation>RFC 2217 (rate and control lines set by the program)</translation>
    </message>
    <message>
        <source>TCP ohne Steuerung (Einstellungen des Servers)</source>
        <translation>Raw TCP (the server&apos;s settings apply)</translation>
    </message>
    <message>
        <source>&amp;Rechner:</source>
        <translation>&amp;Host:</translation>
    </message>
    <message>
        <source>&amp;Port:</source>
        <translation>&amp;Port:</translation>
    </message>
</context>
<context>
    <name>NetPort</name>
    <message>
        <source>%1: der Rechnername lässt sich nicht auflösen; Namen im Abschnitt [Ports] prüfen</source>
        <translation>%1: the host name does not resolve; check the name in the [Ports] section</translation>
    </message>
    <message>
        <source>%1: Verbindung abgewiesen; läuft der Geräteserver (z. B. ser2net) und stimmt der Port?</source>
        <translation>%1: connection refused; is the device server (e.g. ser2net) running, and is the port right?</translation>
    </message>
    <message>
        <source>%1: keine Verbindung innerhalb von 5 s; Netz, Rechner und Firewall prüfen</source>
        <translation>%1: no connection within 5 s; check the network, the host and the firewall</translation>
    </message>
    <message>
        <source>%1: der Server spricht kein RFC 2217; am Server Telnet mit RFC 2217 einschalten oder socket:// verwenden</source>
        <translation>%1: the server does not speak RFC 2217; switch on telnet with RFC 2217 at the server, or use socket://</translation>
    </message>
    <message>
        <source>%1: Verbindung fehlgeschlagen</source>
        <translation>%1: connection failed</translation>
    </message>
    <message>
        <source>keine Netzwerkadresse (rfc2217://RECHNER:PORT oder socket://RECHNER:PORT)</source>
        <translation>no network address (rfc2217://HOST:PORT or socket://HOST:PORT)</translation>
    </message>
    <message>
        <source>Adresse ohne Port: %1</source>
        <translation>address without a port: %1</translation>
    </message>
    <message>
        <source>Adresse ohne Rechnernamen: %1</source>
        <translation>address without a host name: %1</translation>
    </message>
    <message>
        <source>ungültiger Rechnername &quot;%1&quot; (Leerzeichen oder Sonderzeichen)</source>
        <translation>invalid host name &quot;%1&quot; (blanks or special characters)</translation>
    </message>
    <message>
        <source>ungültiger Port &quot;%1&quot;</source>
        <translation>invalid port &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Port %1 außerhalb von 1 bis 65535</source>
        <translation>port %1 outside 1 to 65535</translation>
    </message>
</context>
<context>
    <name>NmeaConvert</name>
    <message>
        <source>Formatkonvertierung: NMEA ---&gt; MS-MapPoint - Format</source>
        <translation>Format conversion: NMEA ---&gt; MS-MapPoint format</translation>
    </message>
    <message>
        <source>GPS-Datei(*.txt)|*.txt|List-Datei (*.lst)|*.lst</source>
        <translation>GPS file(*.txt)|*.txt|List file (*.lst)|*.lst</translation>
    </message>
    <message>
        <source>Formatkonvertierung: NMEA ---&gt; Kartex-Format</source>
        <translation>Format conversion: NMEA ---&gt; Kartex format</translation>
    </message>
    <message>
        <source>GPS-Datei(*.txt;*.lst;*.gps)|*.txt;*.lst;*.gps|alle (*.*)|*.*</source>
        <translation>GPS file(*.txt;*.lst;*.gps)|*.txt;*.lst;*.gps|all (*.*)|*.*</translation>
    </message>
    <message>
        <source>Formatkonvertierung: NMEA ---&gt; MagicMaps (z.B. NRW 3D)</source>
        <translation>Format conversion: NMEA ---&gt; MagicMaps (e.g. NRW 3D)</translation>
    </message>
    <message>
        <source>Formatkonvertierung: NMEA ---&gt; GPX</source>
        <translation>Format conversion: NMEA ---&gt; GPX</translation>
    </message>
</context>
<context>
    <name>PanelKippaSmart</name>
    <message>
        <source>Please set box address ...<byte value="xd"/><byte value="xd"/>Bitte erst die Boxadresse auswählen ...<byte value="xd"/><byte value="xd"/></source>
        <translation>Please choose the box address first ...<byte value="xd"/><byte value="xd"/></translation>
    </message>
    <message>
        <source>Please set box adress ...<byte value="xd"/><byte value="xd"/>Bitte erst die Boxadresse auswählen ...<byte value="xd"/><byte value="xd"/></source>
        <translation>Please choose the box address first ...<byte value="xd"/><byte value="xd"/></translation>
    </message>
</context>
<context>
    <name>PanelVigiloGSMNEU</name>
    <message>
        <source>Bitte warten...</source>
        <translation>Please wait...</translation>
    </message>
</context>
<context>
    <name>PlcFileRun</name>
    <message>
        <source>Fehler bei Dateizugriff</source>
        <translation>File access error</translation>
    </message>
</context>
<context>
    <name>PlcSequence</name>
    <message>
        <source>Keine PLC-Datei: Steuerzeichen in Zeile %1 - nichts gesendet</source>
        <translation>Not a PLC file: control character in line %1 - nothing sent</translation>
    </message>
    <message>
        <source>Keine PLC-Datei: mehr als %1 Schritte - nichts gesendet</source>
        <translation>Not a PLC file: more than %1 steps - nothing sent</translation>
    </message>
    <message>
        <source>PLC-Datei(*.plc)|*.plc</source>
        <translation>PLC file(*.plc)|*.plc</translation>
    </message>
    <message>
        <source>... speichern unter?</source>
        <translation>... save as?</translation>
    </message>
    <message>
        <source>... laden aus?</source>
        <translation>... load from?</translation>
    </message>
</context>
<context>
    <name>PortBusy</name>
    <message>
        <source>Prozess %1</source>
        <translation>process %1</translation>
    </message>
    <message>
        <source>Sperrdatei</source>
        <translation>lock file</translation>
    </message>
    <message>
        <source>exklusiv geöffnet</source>
        <translation>exclusive open</translation>
    </message>
    <message>
        <source>flock-Sperre</source>
        <translation>flock lock</translation>
    </message>
    <message>
        <source>belegt - von einem anderen Programm benutzt</source>
        <translation>busy - in use by another program</translation>
    </message>
    <message>
        <source>; dort zuerst schließen</source>
        <translation>; close it there first</translation>
    </message>
</context>
<context>
    <name>PortDiagnostics</name>
    <message>
        <source>lässt sich nicht öffnen</source>
        <translation>cannot be opened</translation>
    </message>
    <message>
        <source>kein solches Gerät - den Adapter einstecken oder den Eintrag unter [Ports] in der Einstellungsdatei prüfen</source>
        <translation>no such device - plug in the adapter, or check the [Ports] entry of the settings file</translation>
    </message>
    <message>
        <source>keine Berechtigung - den Benutzer in die Gruppe dialout aufnehmen (sudo usermod -aG dialout $USER) und neu anmelden</source>
        <translation>permission denied - add your user to the dialout group (sudo usermod -aG dialout $USER) and log in again</translation>
    </message>
    <message>
        <source>keine serielle Schnittstelle - den Eintrag unter [Ports] in der Einstellungsdatei prüfen</source>
        <translation>not a serial device - check the [Ports] entry of the settings file</translation>
    </message>
    <message>
        <source>Ein-/Ausgabefehler beim Öffnen - das Gerät ist noch nicht bereit, gesperrt oder ohne Hardware dahinter</source>
        <translation>input/output error on opening - the device is not ready yet, locked, or has no hardware behind it</translation>
    </message>
</context>
<context>
    <name>PortWatcher</name>
    <message>
        <source>%1 — kein Gerät</source>
        <translation>%1 — no device</translation>
    </message>
    <message>
        <source>by-id: %1</source>
        <translation>by-id: %1</translation>
    </message>
    <message>
        <source>Seriennummer: %1</source>
        <translation>serial number: %1</translation>
    </message>
    <message>
        <source>Treiber: %1</source>
        <translation>driver: %1</translation>
    </message>
</context>
<context>
    <name>RemoteControlCSD</name>
    <message>
        <source>OK ... verbunden</source>
        <translation>OK ... connected</translation>
    </message>
</context>
<context>
    <name>TFormFlashen</name>
    <message>
        <source>flashen</source>
        <translation>firmware update</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Firmware-Update</source>
        <translation>firmware update</translation>
    </message>
    <message>
        <source>in progress</source>
        <translation>in progress</translation>
    </message>
</context>
<context>
    <name>TFormFlashenCSD</name>
    <message>
        <source>flashen via CSD</source>
        <translation>firmware update via CSD</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Firmware-Update über CSD</source>
        <translation>firmware update via CSD</translation>
    </message>
    <message>
        <source>in progress</source>
        <translation>in progress</translation>
    </message>
</context>
<context>
    <name>TFormMain</name>
    <message>
        <source>VelmorServiceSoftware (Vigilo - Quintra - Zerbo - Kippa-smart)</source>
        <translation>VelmorServiceSoftware (Vigilo - Quintra - Zerbo - Kippa-smart)</translation>
    </message>
    <message>
        <source>Doppelklick löscht die Meldungen</source>
        <translation>Double-click clears the messages</translation>
    </message>
    <message>
        <source>Vigilo</source>
        <translation>Vigilo</translation>
    </message>
    <message>
        <source>Vigilo-GSM</source>
        <translation>Vigilo-GSM</translation>
    </message>
    <message>
        <source>Quintra</source>
        <translation>Quintra</translation>
    </message>
    <message>
        <source>Zerbo</source>
        <translation>Zerbo</translation>
    </message>
    <message>
        <source>Kippa-smart</source>
        <translation>Kippa-smart</translation>
    </message>
    <message>
        <source>Lupino</source>
        <translation>Lupino</translation>
    </message>
    <message>
        <source>Tocsa</source>
        <translation>Tocsa</translation>
    </message>
    <message>
        <source>VigiloGSMNEU</source>
        <translation>VigiloGSMNEU</translation>
    </message>
    <message>
        <source>Inf&amp;o</source>
        <translation>Inf&amp;o</translation>
    </message>
    <message>
        <source>Version: V</source>
        <translation>Version: V</translation>
    </message>
    <message>
        <source>Fehler bei Dateizugriff (%1)</source>
        <translation>File access error (%1)</translation>
    </message>
    <message>
        <source>OK - Datei gespeichert ...<byte value="xd"/><byte value="xd"/></source>
        <translation>OK - file saved ...<byte value="xd"/><byte value="xd"/></translation>
    </message>
    <message>
        <source>%1 = connected</source>
        <translation>%1 = connected</translation>
    </message>
    <message>
        <source>remote control via mobil phone on %1 (= CSD)</source>
        <translation>remote control via mobile phone on %1 (= CSD)</translation>
    </message>
    <message>
        <source>disconnected</source>
        <translation>disconnected</translation>
    </message>
    <message>
        <source>Please choose the COM interface ...<byte value="xd"/><byte value="xd"/>Bitte erst die COM-Schnittstelle auswählen ...<byte value="xd"/><byte value="xd"/></source>
        <translation>Please choose the COM interface first ...<byte value="xd"/><byte value="xd"/></translation>
    </message>
    <message>
        <source>Meldungen</source>
        <translation>messages</translation>
    </message>
    <message>
        <source>&amp;Datei</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Gerät</source>
        <translation>&amp;Device</translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Schnittstelle</source>
        <translation>&amp;Interface</translation>
    </message>
    <message>
        <source>%1: DTR vom Geräteserver nicht bestätigt; die Schnittstelle arbeitet weiter</source>
        <translation>%1: DTR not confirmed by the device server; the port goes on working</translation>
    </message>
</context>
<context>
    <name>TLogTools</name>
    <message>
        <source>Log speichern unter...</source>
        <translation>Save log as...</translation>
    </message>
    <message>
        <source>Log mitschreiben...</source>
        <translation>Write log to file...</translation>
    </message>
    <message>
        <source>Log durchsuchen</source>
        <translation>Search the log</translation>
    </message>
    <message>
        <source>Suchen (Enter: weiter, Umschalt+Enter: zurück)</source>
        <translation>Search (Enter: next, Shift+Enter: previous)</translation>
    </message>
    <message>
        <source>Fehler bei Dateizugriff (%1)</source>
        <translation>File access error (%1)</translation>
    </message>
    <message>
        <source>... Log speichern unter?</source>
        <translation>... save the log as?</translation>
    </message>
    <message>
        <source>... Log mitschreiben in?</source>
        <translation>... write the log to?</translation>
    </message>
    <message>
        <source>Die Zwischendatei des Logs nimmt keine Zeilen mehr an (%1). Die Zeilen bleiben im Speicher, bis sie wieder geschrieben werden können; es geht keine verloren.</source>
        <translation>The log&apos;s spool file takes no more lines (%1). The lines stay in memory until they can be written again; none is lost.</translation>
    </message>
    <message>
        <source>Die Zwischendatei des Logs kann in %1 nicht angelegt werden. Die Zeilen bleiben im Speicher.</source>
        <translation>The log&apos;s spool file cannot be made in %1. The lines stay in memory.</translation>
    </message>
    <message>
        <source>„%1“ nicht gefunden</source>
        <translation>“%1” not found</translation>
    </message>
    <message>
        <source>Am Anfang angekommen, vom Ende an weitergesucht</source>
        <translation>Reached the start, continued from the end</translation>
    </message>
    <message>
        <source>Am Ende angekommen, vom Anfang an weitergesucht</source>
        <translation>Reached the end, continued from the start</translation>
    </message>
</context>
<context>
    <name>TLogView</name>
    <message>
        <source>Kopieren</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Alles markieren</source>
        <translation>Select all</translation>
    </message>
</context>
<context>
    <name>TNetPinDialog</name>
    <message>
        <source>Netzwerkport an %1 binden</source>
        <translation>Pin a network port to %1</translation>
    </message>
    <message>
        <source>Leerzeichen in Rechnername oder Port</source>
        <translation>blanks in the host name or port</translation>
    </message>
</context>
<context>
    <name>TPanelAllgemein</name>
    <message>
        <source>allgemein</source>
        <translation>general</translation>
    </message>
    <message>
        <source>Gerät auswählen</source>
        <translation>Choose the device</translation>
    </message>
    <message>
        <source>Auswahl der zu verwendenden COM-Schnittstelle</source>
        <translation>Choice of the COM interface to use</translation>
    </message>
    <message>
        <source>Ausgabe der gefundenen Geräte auf der entsprechenden COM-Schnittstelle</source>
        <translation>Devices found on each COM interface</translation>
    </message>
    <message>
        <source>alle Schnittstellen nach Geräten absuchen</source>
        <translation>search every interface for devices</translation>
    </message>
    <message>
        <source>Hardwarekennung eines Gerätes auslesen</source>
        <translation>read a device&apos;s hardware identification</translation>
    </message>
    <message>
        <source>Firmwarekennung eines Gerätes auslesen</source>
        <translation>read a device&apos;s firmware identification</translation>
    </message>
    <message>
        <source>Geräte-Zustand lesen</source>
        <translation>read the device state</translation>
    </message>
    <message>
        <source>Echo des Gerätes einschalten</source>
        <translation>switch the device&apos;s echo on</translation>
    </message>
    <message>
        <source>Echo des Gerätes ausschalten</source>
        <translation>switch the device&apos;s echo off</translation>
    </message>
    <message>
        <source>Schnittstelle</source>
        <translation>interface</translation>
    </message>
    <message>
        <source>Verbindung</source>
        <translation>connect</translation>
    </message>
    <message>
        <source>Suchlauf</source>
        <translation>scan</translation>
    </message>
    <message>
        <source>Zustand</source>
        <translation>state</translation>
    </message>
    <message>
        <source>&amp;lesen</source>
        <translation>&amp;read</translation>
    </message>
    <message>
        <source>Echo</source>
        <translation>echo</translation>
    </message>
    <message>
        <source>EIN</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>AUS</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>version</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>hardware</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>firmware</translation>
    </message>
</context>
<context>
    <name>TPanelGPSDataLogger</name>
    <message>
        <source>GPS-DataLogger</source>
        <translation>GPS-DataLogger</translation>
    </message>
    <message>
        <source>ESC</source>
        <translation>ESC</translation>
    </message>
    <message>
        <source>MS-MapPoint</source>
        <translation>MS-MapPoint</translation>
    </message>
    <message>
        <source>Kartex</source>
        <translation>Kartex</translation>
    </message>
    <message>
        <source>MagicMaps</source>
        <translation>MagicMaps</translation>
    </message>
    <message>
        <source>GPX</source>
        <translation>GPX</translation>
    </message>
    <message>
        <source>Track ansehen</source>
        <translation>View track</translation>
    </message>
    <message>
        <source>Track, Profil und Zusammenfassung einer NMEA-Datei zeigen</source>
        <translation>show track, profile and summary of an NMEA file</translation>
    </message>
    <message>
        <source>Befehle</source>
        <translation>commands</translation>
    </message>
    <message>
        <source>L (= Liste)</source>
        <translation>L (= List)</translation>
    </message>
    <message>
        <source>O1 (= Online EIN)</source>
        <translation>O1 (= Online ON)</translation>
    </message>
    <message>
        <source>ERASE (= Speicher löschen)</source>
        <translation>ERASE (= Memory delete)</translation>
    </message>
    <message>
        <source>O0 (= Online AUS)</source>
        <translation>O0 (= Online OFF)</translation>
    </message>
    <message>
        <source>DIR (= Verzeichnis)</source>
        <translation>DIR (= Directory)</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>parameter</translation>
    </message>
    <message>
        <source>GPS-Scan-Auflösung</source>
        <translation>GPS-Scan Resolution</translation>
    </message>
    <message>
        <source>umwandeln in das Ausgabeformat ...</source>
        <translation>convert output format to ...</translation>
    </message>
    <message>
        <source>Firmware-Update</source>
        <translation>firmware update</translation>
    </message>
</context>
<context>
    <name>TPanelKippaSmart</name>
    <message>
        <source>Kippa-smart</source>
        <translation>Kippa-smart</translation>
    </message>
    <message>
        <source>box adress</source>
        <translation>box address</translation>
    </message>
    <message>
        <source>manuell</source>
        <translation>manual</translation>
    </message>
    <message>
        <source>Baudrate</source>
        <translation>baudrate</translation>
    </message>
    <message>
        <source>Baudrate wählen:</source>
        <translation>select baudrate:</translation>
    </message>
    <message>
        <source>Reset / Autobaud-Folge einleiten</source>
        <translation>reset / introduce autobaud sequence</translation>
    </message>
    <message>
        <source>Kippa-smart-Adresse:</source>
        <translation>Kippa-smart address:</translation>
    </message>
    <message>
        <source>Ausgang</source>
        <translation>output</translation>
    </message>
    <message>
        <source>EIN</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>AUS</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>umschalten</source>
        <translation>toggle</translation>
    </message>
    <message>
        <source>1 min EIN</source>
        <translation>1min ON</translation>
    </message>
    <message>
        <source>1 min AUS</source>
        <translation>1min OFF</translation>
    </message>
    <message>
        <source>Zustand</source>
        <translation>state</translation>
    </message>
    <message>
        <source>lesen</source>
        <translation>read</translation>
    </message>
    <message>
        <source>senden</source>
        <translation>send</translation>
    </message>
    <message>
        <source>Firmware-Update</source>
        <translation>firmware update</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>version</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>hardware</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>firmware</translation>
    </message>
</context>
<context>
    <name>TPanelLupino</name>
    <message>
        <source>Lupino</source>
        <translation>Lupino</translation>
    </message>
    <message>
        <source>ESC</source>
        <translation>ESC</translation>
    </message>
    <message>
        <source>FLASH prüfen</source>
        <translation>check FLASH</translation>
    </message>
    <message>
        <source>GSM Ein</source>
        <translation>GSM on</translation>
    </message>
    <message>
        <source>GSM Aus</source>
        <translation>GSM off</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>MS-MapPoint</source>
        <translation>MS-MapPoint</translation>
    </message>
    <message>
        <source>Kartex</source>
        <translation>Kartex</translation>
    </message>
    <message>
        <source>MagicMaps</source>
        <translation>MagicMaps</translation>
    </message>
    <message>
        <source>GPX</source>
        <translation>GPX</translation>
    </message>
    <message>
        <source>Track ansehen</source>
        <translation>View track</translation>
    </message>
    <message>
        <source>Track, Profil und Zusammenfassung einer NMEA-Datei zeigen</source>
        <translation>show track, profile and summary of an NMEA file</translation>
    </message>
    <message>
        <source>GSM</source>
        <translation>GSM</translation>
    </message>
    <message>
        <source>LowBatSMS=</source>
        <translation>LowBatSMS=</translation>
    </message>
    <message>
        <source>PowerDownTimeOut</source>
        <translation>PowerDownTimeOut</translation>
    </message>
    <message>
        <source>MsgSMS=</source>
        <translation>MsgSMS=</translation>
    </message>
    <message>
        <source>Befehle</source>
        <translation>commands</translation>
    </message>
    <message>
        <source>L (= Liste)</source>
        <translation>L (= List)</translation>
    </message>
    <message>
        <source>O1 (= Online EIN)</source>
        <translation>O1 (= Online ON)</translation>
    </message>
    <message>
        <source>ERASE (= Speicher löschen)</source>
        <translation>ERASE (= Memory delete)</translation>
    </message>
    <message>
        <source>O0 (= Online AUS)</source>
        <translation>O0 (= Online OFF)</translation>
    </message>
    <message>
        <source>DIR (= Verzeichnis)</source>
        <translation>DIR (= Directory)</translation>
    </message>
    <message>
        <source>Firmware-Update</source>
        <translation>firmware update</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>parameter</translation>
    </message>
    <message>
        <source>GPS-Scan-Auflösung</source>
        <translation>GPS-Scan Resolution</translation>
    </message>
    <message>
        <source>umwandeln in das Ausgabeformat ...</source>
        <translation>convert output format to ...</translation>
    </message>
    <message>
        <source>GSM-Info</source>
        <translation>GSM Info</translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>TPanelQuintra</name>
    <message>
        <source>Quintra</source>
        <translation>Quintra</translation>
    </message>
    <message>
        <source>Tv</source>
        <translation>Tv</translation>
    </message>
    <message>
        <source>onapon</source>
        <translation>onapon</translation>
    </message>
    <message>
        <source>triapon</source>
        <translation>triapon</translation>
    </message>
    <message>
        <source>Modus</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>vigilo</source>
        <translation>vigilo</translation>
    </message>
    <message>
        <source>kippa</source>
        <translation>kippa</translation>
    </message>
    <message>
        <source>vigilo_failsave</source>
        <translation>vigilo_failsave</translation>
    </message>
    <message>
        <source>vigilo_neutral</source>
        <translation>vigilo_neutral</translation>
    </message>
    <message>
        <source>slave</source>
        <translation>slave</translation>
    </message>
    <message>
        <source>start zycl. trigger</source>
        <translation>start cyclic trigger</translation>
    </message>
    <message>
        <source>stop zycl. trigger</source>
        <translation>stop cyclic trigger</translation>
    </message>
    <message>
        <source>Test1 ein</source>
        <translation>Test1 on</translation>
    </message>
    <message>
        <source>Test1 aus</source>
        <translation>Test1 off</translation>
    </message>
    <message>
        <source>manuell</source>
        <translation>manual</translation>
    </message>
    <message>
        <source>Befehl</source>
        <translation>command</translation>
    </message>
    <message>
        <source>Kanal 1 (Master)</source>
        <translation>Channel 1 (master)</translation>
    </message>
    <message>
        <source>&amp;EIN</source>
        <translation>&amp;ON</translation>
    </message>
    <message>
        <source>&amp;AUS</source>
        <translation>O&amp;FF</translation>
    </message>
    <message>
        <source>&amp;lesen</source>
        <translation>&amp;read</translation>
    </message>
    <message>
        <source>&amp;Nachtriggerzeit [s]</source>
        <translation>&amp;retrigger time [s]</translation>
    </message>
    <message>
        <source>&amp;Ausschaltzeit [s]</source>
        <translation>&amp;power off time [s]</translation>
    </message>
    <message>
        <source>&amp;Fehlerzeit [s]</source>
        <translation>&amp;error time [s]</translation>
    </message>
    <message>
        <source>deaktivieren</source>
        <translation>deactivate</translation>
    </message>
    <message>
        <source>Kanal 2 (Slave)</source>
        <translation>Ch 2 (slave)</translation>
    </message>
    <message>
        <source>Kanal 3 (Slave)</source>
        <translation>Ch 3 (slave)</translation>
    </message>
    <message>
        <source>Kanal 1 ... 5</source>
        <translation>Ch 1 ... 5</translation>
    </message>
    <message>
        <source>ein</source>
        <translation>on</translation>
    </message>
    <message>
        <source>aus</source>
        <translation>off</translation>
    </message>
    <message>
        <source>Zähler zurücksetzen</source>
        <translation>reset counter</translation>
    </message>
    <message>
        <source>Kanal 4 (Slave)</source>
        <translation>Ch 4 (slave)</translation>
    </message>
    <message>
        <source>Kanal 5 (Slave)</source>
        <translation>Ch 5 (slave)</translation>
    </message>
    <message>
        <source>Funktionen</source>
        <translation>functions</translation>
    </message>
    <message>
        <source>Zustand:</source>
        <translation>state:</translation>
    </message>
    <message>
        <source>Sek.:</source>
        <translation>sec:</translation>
    </message>
    <message>
        <source>SPS</source>
        <translation>PLC</translation>
    </message>
    <message>
        <source>SPS beim Einschalten</source>
        <translation>PLC at Power-ON</translation>
    </message>
    <message>
        <source>SPS Start / Pause</source>
        <translation>PLC start / pause</translation>
    </message>
    <message>
        <source>SPS Stopp</source>
        <translation>PLC stop</translation>
    </message>
    <message>
        <source>SPS-Sequenz bearbeiten</source>
        <translation>PLC sequence edit</translation>
    </message>
    <message>
        <source>Liste</source>
        <translation>list</translation>
    </message>
    <message>
        <source>Zeit:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>Kanal:</source>
        <translation>Channel:</translation>
    </message>
    <message>
        <source>Aktion:</source>
        <translation>Action:</translation>
    </message>
    <message>
        <source>setzen</source>
        <translation>set</translation>
    </message>
    <message>
        <source>Schritt:</source>
        <translation>Step:</translation>
    </message>
    <message>
        <source>löschen</source>
        <translation>clear</translation>
    </message>
    <message>
        <source>alle löschen</source>
        <translation>clear all</translation>
    </message>
    <message>
        <source>speichern</source>
        <translation>store</translation>
    </message>
    <message>
        <source>SPS-Sequenz speichern</source>
        <translation>PLC sequence save</translation>
    </message>
    <message>
        <source>Sequenz speichern</source>
        <translation>sequence save</translation>
    </message>
    <message>
        <source>SPS-Sequenz laden</source>
        <translation>PLC sequence load</translation>
    </message>
    <message>
        <source>Sequenz laden</source>
        <translation>sequence load</translation>
    </message>
    <message>
        <source>senden</source>
        <translation>send</translation>
    </message>
    <message>
        <source>Firmware-Update</source>
        <translation>firmware update</translation>
    </message>
</context>
<context>
    <name>TPanelTocsa</name>
    <message>
        <source>Tocsa</source>
        <translation>Tocsa</translation>
    </message>
    <message>
        <source>Firmware-Update</source>
        <translation>firmware update</translation>
    </message>
</context>
<context>
    <name>TPanelVigilo</name>
    <message>
        <source>Vigilo</source>
        <translation>Vigilo</translation>
    </message>
    <message>
        <source>onapon</source>
        <translation>onapon</translation>
    </message>
    <message>
        <source>triapon</source>
        <translation>triapon</translation>
    </message>
    <message>
        <source>manuell</source>
        <translation>manual</translation>
    </message>
    <message>
        <source>start zycl. trigger</source>
        <translation>start cyclic trigger</translation>
    </message>
    <message>
        <source>stop zycl. trigger</source>
        <translation>stop cyclic trigger</translation>
    </message>
    <message>
        <source>1 = Vigilo</source>
        <translation>1 = Vigilo</translation>
    </message>
    <message>
        <source>2 = Kippa</source>
        <translation>2 = Kippa</translation>
    </message>
    <message>
        <source>3 = VG-Failsave!</source>
        <translation>3 = VG-Failsave!</translation>
    </message>
    <message>
        <source>4 = VG-Neutral</source>
        <translation>4 = VG-Neutral</translation>
    </message>
    <message>
        <source>aux1 = 0</source>
        <translation>aux1 = 0</translation>
    </message>
    <message>
        <source>aux1 = 1</source>
        <translation>aux1 = 1</translation>
    </message>
    <message>
        <source>aux1 = 2</source>
        <translation>aux1 = 2</translation>
    </message>
    <message>
        <source>Variablen</source>
        <translation>variables</translation>
    </message>
    <message>
        <source>&amp;Nachtriggerzeit [Sek.]</source>
        <translation>&amp;retrigger time [sec]</translation>
    </message>
    <message>
        <source>&amp;Fehlerzeit [Sek.]</source>
        <translation>&amp;error time [sec]</translation>
    </message>
    <message>
        <source>&amp;Ausschaltzeit [Sek.]</source>
        <translation>&amp;power off time [sec]</translation>
    </message>
    <message>
        <source>&amp;Verzögerung apo [Sek.]</source>
        <translation>&amp;delay apo [sec]</translation>
    </message>
    <message>
        <source>Ablauf</source>
        <translation>sequence</translation>
    </message>
    <message>
        <source>&amp;EIN [in Sek.]</source>
        <translation>&amp;ON [in sec]</translation>
    </message>
    <message>
        <source>&amp;AUS [in Sek.]</source>
        <translation>O&amp;FF [in sec]</translation>
    </message>
    <message>
        <source>nach dem Einschalten</source>
        <translation>after power on</translation>
    </message>
    <message>
        <source>senden</source>
        <translation>send</translation>
    </message>
    <message>
        <source>Watchdog</source>
        <translation>watchdog</translation>
    </message>
    <message>
        <source>Zustand:</source>
        <translation>state:</translation>
    </message>
    <message>
        <source>Sek.:</source>
        <translation>sec:</translation>
    </message>
    <message>
        <source>Zustand</source>
        <translation>state</translation>
    </message>
    <message>
        <source>&amp;lesen</source>
        <translation>&amp;read</translation>
    </message>
    <message>
        <source>Modus</source>
        <translation>mode</translation>
    </message>
    <message>
        <source>Sonstiges</source>
        <translation>misc</translation>
    </message>
    <message>
        <source>deaktivieren</source>
        <translation>deactivate</translation>
    </message>
    <message>
        <source>Standardwerte setzen</source>
        <translation>set defaults</translation>
    </message>
    <message>
        <source>Hilfsausgänge</source>
        <translation>aux. outputs</translation>
    </message>
    <message>
        <source>Firmware-Update</source>
        <translation>firmware update</translation>
    </message>
</context>
<context>
    <name>TPanelVigiloGSM</name>
    <message>
        <source>Vigilo-GSM</source>
        <translation>Vigilo-GSM</translation>
    </message>
    <message>
        <source>allgemein</source>
        <translation>general</translation>
    </message>
    <message>
        <source>0 = GSM</source>
        <translation>0 = GSM</translation>
    </message>
    <message>
        <source>Modus &quot;GSM-Terminal&quot;</source>
        <translation>Mode &quot;GSM terminal&quot;</translation>
    </message>
    <message>
        <source>1 = Vigilo</source>
        <translation>1 = Vigilo</translation>
    </message>
    <message>
        <source>Modus &quot;Vigilo&quot;</source>
        <translation>Mode &quot;Vigilo&quot;</translation>
    </message>
    <message>
        <source>2 = Kippa</source>
        <translation>2 = Kippa</translation>
    </message>
    <message>
        <source>Modus &quot;Kippa&quot;</source>
        <translation>Mode &quot;Kippa&quot;</translation>
    </message>
    <message>
        <source>3 = VG-Failsave!</source>
        <translation>3 = VG-Failsave!</translation>
    </message>
    <message>
        <source>Modus &quot;Vigilo-Failsave&quot;</source>
        <translation>Mode &quot;Vigilo-Failsave&quot;</translation>
    </message>
    <message>
        <source>4 = VG-Neutral</source>
        <translation>4 = VG-Neutral</translation>
    </message>
    <message>
        <source>Modus &quot;Vigilo-Neutral&quot;</source>
        <translation>Mode &quot;Vigilo-Neutral&quot;</translation>
    </message>
    <message>
        <source>Modus &quot;GSM-Terminal&quot; verlassen</source>
        <translation>Leave mode &quot;GSM terminal&quot;</translation>
    </message>
    <message>
        <source>Retriggerzeit setzen</source>
        <translation>set the retrigger time</translation>
    </message>
    <message>
        <source>Bootfehlerzeit setzen</source>
        <translation>set the boot error time</translation>
    </message>
    <message>
        <source>Ausschaltzeit setzen</source>
        <translation>set the power off time</translation>
    </message>
    <message>
        <source>Verzögerungszeit setzen</source>
        <translation>set the delay time</translation>
    </message>
    <message>
        <source>onapon</source>
        <translation>onapon</translation>
    </message>
    <message>
        <source>Einschaltverhalten nach Power-ON</source>
        <translation>switch-on behaviour after power-on</translation>
    </message>
    <message>
        <source>triapon</source>
        <translation>triapon</translation>
    </message>
    <message>
        <source>Triggerverhalten nach Power-ON</source>
        <translation>trigger behaviour after power-on</translation>
    </message>
    <message>
        <source>Vigilo-Zustand lesen</source>
        <translation>read the Vigilo state</translation>
    </message>
    <message>
        <source>GSM-Zustand lesen</source>
        <translation>read the GSM state</translation>
    </message>
    <message>
        <source>Vigilo-Parameter lesen</source>
        <translation>read the Vigilo parameters</translation>
    </message>
    <message>
        <source>Steckdose EIN (mit Zeitverzögerung)</source>
        <translation>socket ON (with delay)</translation>
    </message>
    <message>
        <source>Steckdose AUS (mit Zeitverzögerung)</source>
        <translation>socket OFF (with delay)</translation>
    </message>
    <message>
        <source>Watchdog deaktivieren</source>
        <translation>deactivate the watchdog</translation>
    </message>
    <message>
        <source>Vigilo-Zähler rücksetzen</source>
        <translation>reset the Vigilo counters</translation>
    </message>
    <message>
        <source>alle Vigilo-Parameter rücksetzen</source>
        <translation>reset all Vigilo parameters</translation>
    </message>
    <message>
        <source>alle SIM-Karten-Parameter rücksetzen</source>
        <translation>reset all SIM card parameters</translation>
    </message>
    <message>
        <source>manuell</source>
        <translation>manual</translation>
    </message>
    <message>
        <source>manuellen Befehl eingeben</source>
        <translation>enter a command by hand</translation>
    </message>
    <message>
        <source>manuellen Befehl senden</source>
        <translation>send the command entered</translation>
    </message>
    <message>
        <source>start zycl. trigger</source>
        <translation>start cyclic trigger</translation>
    </message>
    <message>
        <source>Watchdog-Triggerung starten</source>
        <translation>start triggering the watchdog</translation>
    </message>
    <message>
        <source>stop zycl. trigger</source>
        <translation>stop cyclic trigger</translation>
    </message>
    <message>
        <source>Watchdog-Triggerung stoppen</source>
        <translation>stop triggering the watchdog</translation>
    </message>
    <message>
        <source>optionale Triggervariable</source>
        <translation>optional trigger variable</translation>
    </message>
    <message>
        <source>Triggerabstand</source>
        <translation>trigger interval</translation>
    </message>
    <message>
        <source>Firmware-Update der Vigilo vornehmen</source>
        <translation>update the Vigilo&apos;s firmware</translation>
    </message>
    <message>
        <source>Dauerlauf</source>
        <translation>endurance run</translation>
    </message>
    <message>
        <source>Dauerlauf stop</source>
        <translation>stop endurance run</translation>
    </message>
    <message>
        <source>Dauerlauf beenden: keine Abfragen mehr, Protokolldatei schließen</source>
        <translation>end the endurance run: no more queries, close the log file</translation>
    </message>
    <message>
        <source>Angabe des POP3-Servers für den Email-Versand per GPRS</source>
        <translation>POP3 server for sending email over GPRS</translation>
    </message>
    <message>
        <source>Format z.B.:  pop3.example.com</source>
        <translation>Format e.g.:  pop3.example.com</translation>
    </message>
    <message>
        <source>Angabe des SMTP-Servers für den Email-Versand per GPRS</source>
        <translation>SMTP server for sending email over GPRS</translation>
    </message>
    <message>
        <source>Format z.B.:  smtp.example.com</source>
        <translation>Format e.g.:  smtp.example.com</translation>
    </message>
    <message>
        <source>Angabe des User-Logins des Email-Accounts</source>
        <translation>user login of the email account</translation>
    </message>
    <message>
        <source>Angabe des Paßworts zum Email-Account</source>
        <translation>password of the email account</translation>
    </message>
    <message>
        <source>Versenden einer Email im GPRS-Modus. Format &quot;SendEmailGPRS=&lt;Text&gt;&quot;</source>
        <translation>Send an email in GPRS mode. Format &quot;SendEmailGPRS=&lt;Text&gt;&quot;</translation>
    </message>
    <message>
        <source>&lt;Text&gt; für Email-Versand</source>
        <translation>&lt;Text&gt; of the email</translation>
    </message>
    <message>
        <source>EmailToAdr1</source>
        <translation>EmailToAdr1</translation>
    </message>
    <message>
        <source>Email-Adresse, an die die Status-Email gesendet wird</source>
        <translation>email address the status email is sent to</translation>
    </message>
    <message>
        <source>Format z.B.:  service@example.com</source>
        <translation>Format e.g.:  service@example.com</translation>
    </message>
    <message>
        <source>APN</source>
        <translation>APN</translation>
    </message>
    <message>
        <source>APN des SIM-Providers</source>
        <translation>APN of the SIM provider</translation>
    </message>
    <message>
        <source>Format z.B.:  internet.example.net</source>
        <translation>Format e.g.:  internet.example.net</translation>
    </message>
    <message>
        <source>Benutzerkennung des APN</source>
        <translation>user name of the APN</translation>
    </message>
    <message>
        <source>APN-Passwort</source>
        <translation>APN password</translation>
    </message>
    <message>
        <source>Passwort des Users</source>
        <translation>the user&apos;s password</translation>
    </message>
    <message>
        <source>* = erforderlich</source>
        <translation>* = required</translation>
    </message>
    <message>
        <source>AlarmSMS1</source>
        <translation>AlarmSMS1</translation>
    </message>
    <message>
        <source>1. Rufnummer, an die eine Alarm-SMS gesendet wird</source>
        <translation>1st phone number an alarm SMS is sent to</translation>
    </message>
    <message>
        <source>Format z.B.:  +49 170 1234567</source>
        <translation>Format e.g.:  +49 170 1234567</translation>
    </message>
    <message>
        <source>AlarmSMS2</source>
        <translation>AlarmSMS2</translation>
    </message>
    <message>
        <source>2. Rufnummer, an die eine Alarm-SMS gesendet wird</source>
        <translation>2nd phone number an alarm SMS is sent to</translation>
    </message>
    <message>
        <source>AlarmSMS3</source>
        <translation>AlarmSMS3</translation>
    </message>
    <message>
        <source>3. Rufnummer, an die eine Alarm-SMS gesendet wird</source>
        <translation>3rd phone number an alarm SMS is sent to</translation>
    </message>
    <message>
        <source>Rst2SMS</source>
        <translation>Rst2SMS</translation>
    </message>
    <message>
        <source>Anzahl der Watchdog-Ereignisse, die zu einer AlarmSMS führen</source>
        <translation>number of watchdog events that lead to an alarm SMS</translation>
    </message>
    <message>
        <source>SendSMS</source>
        <translation>SendSMS</translation>
    </message>
    <message>
        <source>Versenden einer SMS. Format &quot;SendSMS=&lt;Rufnummer&gt;,&lt;Text&gt;&quot;</source>
        <translation>Send an SMS. Format &quot;SendSMS=&lt;phone number&gt;,&lt;Text&gt;&quot;</translation>
    </message>
    <message>
        <source>&lt;Rufnummer&gt;,&lt;Text&gt; für SMS-Versand</source>
        <translation>&lt;phone number&gt;,&lt;Text&gt; of the SMS</translation>
    </message>
    <message>
        <source>SMS2Email</source>
        <translation>SMS2Email</translation>
    </message>
    <message>
        <source>Versenden einer Email im SPS-Modus. Format &quot;SendEmailSMS=&lt;Text&gt;&quot;</source>
        <translation>Send an email in SMS mode. Format &quot;SendEmailSMS=&lt;Text&gt;&quot;</translation>
    </message>
    <message>
        <source>AlarmVC1</source>
        <translation>AlarmVC1</translation>
    </message>
    <message>
        <source>1. Rufnummer, die im Alarmfall per Voice-Call angerufen wird</source>
        <translation>1st phone number called by voice call on an alarm</translation>
    </message>
    <message>
        <source>AlarmVC2</source>
        <translation>AlarmVC2</translation>
    </message>
    <message>
        <source>2. Rufnummer, die im Alarmfall per Voice-Call angerufen wird</source>
        <translation>2nd phone number called by voice call on an alarm</translation>
    </message>
    <message>
        <source>AlarmVC3</source>
        <translation>AlarmVC3</translation>
    </message>
    <message>
        <source>3. Rufnummer, die im Alarmfall per Voice-Call angerufen wird</source>
        <translation>3rd phone number called by voice call on an alarm</translation>
    </message>
    <message>
        <source>Rst2VC</source>
        <translation>Rst2VC</translation>
    </message>
    <message>
        <source>Anzahl der Watchdog-Ereignisse, die zu einem Alarm-Anruf führen</source>
        <translation>number of watchdog events that lead to an alarm call</translation>
    </message>
    <message>
        <source>RingTime</source>
        <translation>RingTime</translation>
    </message>
    <message>
        <source>maximale Anrufzeit bei Alarmanrufen</source>
        <translation>longest ringing time of alarm calls</translation>
    </message>
    <message>
        <source>COT</source>
        <translation>COT</translation>
    </message>
    <message>
        <source>maximale Anzahl von Rufversuchen vei Alarmanrufen</source>
        <translation>maximum number of call attempts of alarm calls</translation>
    </message>
    <message>
        <source>Voice-Call zur Rufnummer &quot;AlarmVC1&quot;</source>
        <translation>voice call to the number &quot;AlarmVC1&quot;</translation>
    </message>
    <message>
        <source>  CSD</source>
        <translation>  CSD</translation>
    </message>
    <message>
        <source>remote control via mobil phone on  (= CSD)</source>
        <translation>remote control via mobile phone on  (= CSD)</translation>
    </message>
    <message>
        <source>baudrate to mobil phone</source>
        <translation>baud rate to mobile phone</translation>
    </message>
    <message>
        <source>Einstellungen für das angeschlossene Mobiltelefon / Modem</source>
        <translation>settings of the mobile phone / modem connected</translation>
    </message>
    <message>
        <source>Baudrate 4800 zum Mobiltelefon / Modem</source>
        <translation>baud rate 4800 to the mobile phone / modem</translation>
    </message>
    <message>
        <source>Baudrate 9600 zum Mobiltelefon / Modem</source>
        <translation>baud rate 9600 to the mobile phone / modem</translation>
    </message>
    <message>
        <source>Baudrate 19200 zum Mobiltelefon / Modem</source>
        <translation>baud rate 19200 to the mobile phone / modem</translation>
    </message>
    <message>
        <source>Baudrate 115200 zum Mobiltelefon / Modem</source>
        <translation>baud rate 115200 to the mobile phone / modem</translation>
    </message>
    <message>
        <source>Abfrage des Geräteherstellers / -types</source>
        <translation>ask for the device&apos;s maker / type</translation>
    </message>
    <message>
        <source>Verbindung über das Mobiltelefon / Modem zur angegebenen Rufnummer aufbauen</source>
        <translation>call the number given through the mobile phone / modem</translation>
    </message>
    <message>
        <source>zu wählende Rufnummer der (fernen) Vigilo</source>
        <translation>phone number of the (remote) Vigilo to dial</translation>
    </message>
    <message>
        <source>Verbindungszustand zur (fernen) Vigilo</source>
        <translation>state of the connection to the (remote) Vigilo</translation>
    </message>
    <message>
        <source>Übertragungsmodus --&gt; Befehlsmodus ( + + +)</source>
        <translation>data mode --&gt; command mode ( + + +)</translation>
    </message>
    <message>
        <source>Verbindung zur Vigilo trennen</source>
        <translation>end the connection to the Vigilo</translation>
    </message>
    <message>
        <source>Modus</source>
        <translation>mode</translation>
    </message>
    <message>
        <source>GSM beenden</source>
        <translation>GSM exit</translation>
    </message>
    <message>
        <source>Variablen</source>
        <translation>variables</translation>
    </message>
    <message>
        <source>&amp;Nachtriggerzeit [Sek.]</source>
        <translation>&amp;retrigger time [sec]</translation>
    </message>
    <message>
        <source>&amp;Fehlerzeit [Sek.]</source>
        <translation>&amp;error time [sec]</translation>
    </message>
    <message>
        <source>&amp;Ausschaltzeit [Sek.]</source>
        <translation>&amp;power off time [sec]</translation>
    </message>
    <message>
        <source>&amp;Verzögerung apo [Sek.]</source>
        <translation>&amp;delay apo [sec]</translation>
    </message>
    <message>
        <source>nach dem Einschalten</source>
        <translation>after power on</translation>
    </message>
    <message>
        <source>Zustand</source>
        <translation>state</translation>
    </message>
    <message>
        <source>&amp;lesen</source>
        <translation>&amp;read</translation>
    </message>
    <message>
        <source>&amp;GSM-Info</source>
        <translation>&amp;GSMinfo</translation>
    </message>
    <message>
        <source>&amp;Einstellungen</source>
        <translation>&amp;settings</translation>
    </message>
    <message>
        <source>Ablauf</source>
        <translation>sequence</translation>
    </message>
    <message>
        <source>&amp;EIN [in Sek.]</source>
        <translation>&amp;ON [in sec]</translation>
    </message>
    <message>
        <source>&amp;AUS [in Sek.]</source>
        <translation>O&amp;FF [in sec]</translation>
    </message>
    <message>
        <source>Sonstiges</source>
        <translation>misc</translation>
    </message>
    <message>
        <source>deaktivieren</source>
        <translation>deactivate</translation>
    </message>
    <message>
        <source>Status zurücksetzen</source>
        <translation>reset status</translation>
    </message>
    <message>
        <source>Vigilo-Standardwerte setzen</source>
        <translation>set Vigilo defaults</translation>
    </message>
    <message>
        <source>SIM-Standardwerte setzen</source>
        <translation>set SIM defaults</translation>
    </message>
    <message>
        <source>senden</source>
        <translation>send</translation>
    </message>
    <message>
        <source>Watchdog</source>
        <translation>watchdog</translation>
    </message>
    <message>
        <source>Zustand:</source>
        <translation>state:</translation>
    </message>
    <message>
        <source>Sek.:</source>
        <translation>sec:</translation>
    </message>
    <message>
        <source>Firmware-Update</source>
        <translation>firmware update</translation>
    </message>
    <message>
        <source>Firmware-Update über CSD</source>
        <translation>firmware update via CSD</translation>
    </message>
    <message>
        <source>Assistent 1</source>
        <translation>Wizard-1</translation>
    </message>
    <message>
        <source>GPRS-Assistent</source>
        <translation>GPRS - Wizard</translation>
    </message>
    <message>
        <source>POP3-Server</source>
        <translation>POP3 - Server</translation>
    </message>
    <message>
        <source>SMTP-Server</source>
        <translation>SMTP - Server</translation>
    </message>
    <message>
        <source>E-Mail-Benutzer</source>
        <translation>Email-USER</translation>
    </message>
    <message>
        <source>E-Mail-Passwort</source>
        <translation>Email-PASSWORD</translation>
    </message>
    <message>
        <source>SendEmail über GPRS</source>
        <translation>SendEmail via GPRS</translation>
    </message>
    <message>
        <source>APN-Benutzer</source>
        <translation>APN-User</translation>
    </message>
    <message>
        <source>SMS-Assistent</source>
        <translation>SMS - Wizard</translation>
    </message>
    <message>
        <source>SendEmail über SMS</source>
        <translation>SendEmail via SMS</translation>
    </message>
    <message>
        <source>Assistent 2</source>
        <translation>Wizard-2</translation>
    </message>
    <message>
        <source>Sprachanruf-Assistent</source>
        <translation>Voice-Call - Wizard</translation>
    </message>
    <message>
        <source>AlarmVC1 anrufen</source>
        <translation>call  AlarmVC1</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>test</translation>
    </message>
    <message>
        <source>nicht verbunden</source>
        <translation>not connected</translation>
    </message>
    <message>
        <source>Datenmodus verlassen</source>
        <translation>escape from data mode</translation>
    </message>
    <message>
        <source>trennen</source>
        <translation>disconnect</translation>
    </message>
    <message>
        <source>&quot;Vigilo-GSM&quot; anrufen</source>
        <translation>call &quot;Vigilo-GSM&quot;</translation>
    </message>
</context>
<context>
    <name>TPanelVigiloGSMNEU</name>
    <message>
        <source>VigiloGSMNEU</source>
        <translation>VigiloGSMNEU</translation>
    </message>
    <message>
        <source>Befehle Senden</source>
        <translation>Send commands</translation>
    </message>
    <message>
        <source>Steckdose</source>
        <translation>Socket</translation>
    </message>
    <message>
        <source>Schaltet die Steckdos ein.</source>
        <translation>Switches the socket on.</translation>
    </message>
    <message>
        <source>Schaltet die Steckdos aus.</source>
        <translation>Switches the socket off.</translation>
    </message>
    <message>
        <source>Schaltet die Steckdos aus und nach kurzer Zeit wieder ein.</source>
        <translation>Switches the socket off and on again after a short time.</translation>
    </message>
    <message>
        <source>GSM</source>
        <translation>GSM</translation>
    </message>
    <message>
        <source>Setzt die Sprachnummer auf die im Textfeld rechts eingegebene Nummer.</source>
        <translation>Sets the voice number to the number entered in the field on the right.</translation>
    </message>
    <message>
        <source>Tragen Sie eine Nummer ein und drücken Sie auf den Button links um sie zu übernehmen.</source>
        <translation>Enter a number and press the button on the left to apply it.</translation>
    </message>
    <message>
        <source>Setzt die SMS-Nummer des ausgewählten Index auf den Wert im Textfeld.</source>
        <translation>Sets the SMS number of this index to the value in the field.</translation>
    </message>
    <message>
        <source>Nummer ein und drücken Sie auf den Button links um sie zu übernehmen.</source>
        <translation>Enter a number and press the button on the left to apply it.</translation>
    </message>
    <message>
        <source>Watchdog</source>
        <translation>Watchdog</translation>
    </message>
    <message>
        <source>Heartbeat manuell versenden.</source>
        <translation>Send a heartbeat now.</translation>
    </message>
    <message>
        <source>Periodisch versenden</source>
        <translation>Send periodically</translation>
    </message>
    <message>
        <source>Verschickt automatisch einen Heartbeat in regelmäßigen Abständen. Ermöglicht eine einfache Systemüberwachung.</source>
        <translation>Sends a heartbeat automatically at regular intervals. Allows simple system monitoring.</translation>
    </message>
    <message>
        <source>Nur senden wenn Prozess aktiv:</source>
        <translation>Send only while this process runs:</translation>
    </message>
    <message>
        <source>Ermöglicht eine einfache Programmüberwachung. Bei anhaken dieser Box bleibt der Heartbeat aus, wenn der angegebene Prozess nicht aktiv ist.</source>
        <translation>Allows simple program monitoring. When this box is ticked, no heartbeat is sent while the process named is not running.</translation>
    </message>
    <message>
        <source>Nur benachrichtigen wenn Alarm ausgelöst wird, keine weitere Aktion.</source>
        <translation>Only notify when an alarm is raised, no further action.</translation>
    </message>
    <message>
        <source>Die Steckdose bei Alarm resetten.</source>
        <translation>Reset the socket at an alarm.</translation>
    </message>
    <message>
        <source>Die Steckdose bei Alarm einschalten.</source>
        <translation>Switch the socket on at an alarm.</translation>
    </message>
    <message>
        <source>Die Steckdose bei Alarm ausschalten.</source>
        <translation>Switch the socket off at an alarm.</translation>
    </message>
    <message>
        <source>Manuell</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Senden</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Befehl in das Textfeld darüber eintragen und mit diesem Button senden.</source>
        <translation>Enter a command in the field above and send it with this button.</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>GET</source>
        <translation>GET</translation>
    </message>
    <message>
        <source>Fragt den aktuellen Status ab.</source>
        <translation>Asks for the current status.</translation>
    </message>
    <message>
        <source>Nur senden wenn Prozess aktiv: Prozessname</source>
        <translation>Send only while this process runs: process name</translation>
    </message>
</context>
<context>
    <name>TPanelZerbo</name>
    <message>
        <source>Zerbo</source>
        <translation>Zerbo</translation>
    </message>
    <message>
        <source>Automatische Aenderungsmeldung ---&gt; SET 1 =</source>
        <translation>Automatic change report ---&gt; SET 1 =</translation>
    </message>
    <message>
        <source>Output-Restore nach PowerON ---&gt; SET 2 =</source>
        <translation>Output restore after power-on ---&gt; SET 2 =</translation>
    </message>
    <message>
        <source>Intro nach PowerON ---&gt; SET 3 =</source>
        <translation>Intro after power-on ---&gt; SET 3 =</translation>
    </message>
    <message>
        <source>Echo ---&gt; SET 4 =</source>
        <translation>Echo ---&gt; SET 4 =</translation>
    </message>
    <message>
        <source>Reset-Ausschaltzeit [sek] ---&gt; SET 5 =</source>
        <translation>Reset off time [sec] ---&gt; SET 5 =</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>parameter</translation>
    </message>
    <message>
        <source>Zustand</source>
        <translation>state</translation>
    </message>
    <message>
        <source>Ausgang</source>
        <translation>output</translation>
    </message>
    <message>
        <source>Firmware-Update</source>
        <translation>firmware update</translation>
    </message>
</context>
<context>
    <name>TPortLink</name>
    <message>
        <source>%1: nicht gesendet, die Schnittstelle wartet auf ihr Gerät</source>
        <translation>%1: not sent, the port waits for its device</translation>
    </message>
    <message>
        <source>%1: Gerät getrennt (%2), warte, bis es wieder da ist</source>
        <translation>%1: device gone (%2), waiting for it to come back</translation>
    </message>
    <message>
        <source>%1 = Gerät getrennt, warte</source>
        <translation>%1 = device gone, waiting</translation>
    </message>
    <message>
        <source>%1: das Gerät ist getrennt; die Schnittstelle öffnet wieder, sobald es zurück ist</source>
        <translation>%1: the device went away; the port opens again when it is back</translation>
    </message>
    <message>
        <source>%1: Gerät wieder da, aber die Schnittstelle öffnet nicht</source>
        <translation>%1: device back, but the port does not open</translation>
    </message>
    <message>
        <source>%1: Gerät wieder da, Schnittstelle wieder offen mit %2 bit/s</source>
        <translation>%1: device back, port open again at %2 bit/s</translation>
    </message>
    <message>
        <source>%1: jetzt ist ein anderer Adapter da (%2); warte nicht mehr auf %3</source>
        <translation>%1: another adapter is there now (%2); no longer waiting for %3</translation>
    </message>
    <message>
        <source>Seriennummer %1</source>
        <translation>serial number %1</translation>
    </message>
    <message>
        <source>%1: Warten auf das Gerät beendet, die Suche beginnt</source>
        <translation>%1: no longer waiting for the device, a scan starts</translation>
    </message>
    <message>
        <source>%1: Warten auf das Gerät beendet, eine andere Schnittstelle ist gewählt</source>
        <translation>%1: no longer waiting for the device, another port is chosen</translation>
    </message>
    <message>
        <source>diesen Adapter fest an %1 binden</source>
        <translation>pin this adapter to %1</translation>
    </message>
    <message>
        <source>einen anderen Adapter fest an %1 binden</source>
        <translation>pin another adapter to %1</translation>
    </message>
    <message>
        <source>Bindung von %1 lösen (%2)</source>
        <translation>unpin %1 (%2)</translation>
    </message>
    <message>
        <source>%1: Einstellungsdatei kann nicht geschrieben werden</source>
        <translation>%1: cannot write the settings file</translation>
    </message>
    <message>
        <source>Netzwerkport an %1 binden ...</source>
        <translation>pin a network port to %1...</translation>
    </message>
    <message>
        <source>Netzwerkport, TCP ohne Steuerung: es gelten die Einstellungen des Servers</source>
        <translation>network port, raw TCP: the server&apos;s settings apply</translation>
    </message>
    <message>
        <source>Netzwerkport, RFC 2217: Rate und Steuerleitungen vom Programm</source>
        <translation>network port, RFC 2217: rate and control lines set by the program</translation>
    </message>
    <message>
        <source>erreichbar: verbunden</source>
        <translation>reachable: connected</translation>
    </message>
    <message>
        <source>noch nicht verbunden; erreichbar zeigt erst die Auswahl</source>
        <translation>not connected yet; whether it is reachable shows when it is chosen</translation>
    </message>
</context>
<context>
    <name>TRadioGroup</name>
    <message>
        <source>kein Gerät</source>
        <translation>no device</translation>
    </message>
</context>
<context>
    <name>TrackSummary</name>
    <message>
        <source>%1 und %2 weitere</source>
        <translation>%1 and %2 more</translation>
    </message>
    <message>
        <source>Positionen: %1</source>
        <translation>Fixes: %1</translation>
    </message>
    <message>
        <source>Sätze gelesen: %1 von %2 Zeilen</source>
        <translation>Sentences read: %1 of %2 lines</translation>
    </message>
    <message>
        <source>Zeilen übersprungen: %1 (Prüfsumme %2, ohne Fix %3, unlesbar %4)</source>
        <translation>Lines skipped: %1 (checksum %2, no fix %3, unreadable %4)</translation>
    </message>
    <message>
        <source>GGA weiterer Satellitensysteme zur Position ihrer Epoche zusammengefasst: %1</source>
        <translation>GGA of further satellite systems merged into the fix of their epoch: %1</translation>
    </message>
    <message>
        <source>Leere Datei: keine Position aufgezeichnet</source>
        <translation>Empty file: no fix recorded</translation>
    </message>
    <message>
        <source>Keine Position aufgezeichnet</source>
        <translation>No fix recorded</translation>
    </message>
    <message>
        <source>Zeit: keine Zeit aufgezeichnet</source>
        <translation>Time: no time recorded</translation>
    </message>
    <message>
        <source>Zeit: %1 bis %2 UTC%3</source>
        <translation>Time: %1 to %2 UTC%3</translation>
    </message>
    <message>
        <source>Tage: %1</source>
        <translation>Dates: %1</translation>
    </message>
    <message>
        <source>keine aufgezeichnet</source>
        <translation>none recorded</translation>
    </message>
    <message>
        <source>Strecke: %1</source>
        <translation>Distance: %1</translation>
    </message>
    <message>
        <source>Zeit in Bewegung: %1</source>
        <translation>Moving time: %1</translation>
    </message>
    <message>
        <source>Geschwindigkeit: keine zwei Positionen mit Zeit zum Messen</source>
        <translation>Speed: no two timed fixes to measure by</translation>
    </message>
    <message>
        <source>Geschwindigkeit: max %1 (ungefiltert %2), Mittel %3</source>
        <translation>Speed: max %1 (raw %2), mean %3</translation>
    </message>
    <message>
        <source>Höhe: keine aufgezeichnet</source>
        <translation>Altitude: none recorded</translation>
    </message>
    <message>
        <source>Höhe: %1 m bis %2 m</source>
        <translation>Altitude: %1 m to %2 m</translation>
    </message>
    <message>
        <source>Satelliten: keine aufgezeichnet</source>
        <translation>Satellites: none recorded</translation>
    </message>
    <message>
        <source>Satelliten: %1 bis %2</source>
        <translation>Satellites: %1 to %2</translation>
    </message>
    <message>
        <source>HDOP: keine aufgezeichnet</source>
        <translation>HDOP: none recorded</translation>
    </message>
    <message>
        <source>HDOP: %1 bis %2</source>
        <translation>HDOP: %1 to %2</translation>
    </message>
    <message>
        <source>Zeit rückwärts: %1</source>
        <translation>Times going backwards: %1</translation>
    </message>
    <message>
        <source>Positionen ohne Zeit: %1</source>
        <translation>Fixes without time: %1</translation>
    </message>
    <message>
        <source>Üblicher Abstand: %1</source>
        <translation>Usual step: %1</translation>
    </message>
    <message>
        <source>Lücken über %1: %2</source>
        <translation>Gaps over %1: %2</translation>
    </message>
    <message>
        <source>  %1 bis %2 (%3)</source>
        <translation>  %1 to %2 (%3)</translation>
    </message>
    <message>
        <source>  und %1 weitere</source>
        <translation>  and %1 more</translation>
    </message>
    <message>
        <source>Höhe --</source>
        <translation>altitude --</translation>
    </message>
    <message>
        <source>Höhe %1 m</source>
        <translation>altitude %1 m</translation>
    </message>
    <message>
        <source>Geschwindigkeit --</source>
        <translation>speed --</translation>
    </message>
    <message>
        <source>Geschwindigkeit %1</source>
        <translation>speed %1</translation>
    </message>
    <message>
        <source>Satelliten --</source>
        <translation>satellites --</translation>
    </message>
    <message>
        <source>%1 Satelliten</source>
        <translation>%1 satellites</translation>
    </message>
</context>
<context>
    <name>TrackView</name>
    <message>
        <source>Track - %1</source>
        <translation>Track - %1</translation>
    </message>
    <message>
        <source>Klick zeigt Punkt oder Lücke in der Karte</source>
        <translation>A click shows the point or gap on the map</translation>
    </message>
    <message>
        <source>ganzen Track zeigen</source>
        <translation>show the whole track</translation>
    </message>
    <message>
        <source>Start %1</source>
        <translation>Start %1</translation>
    </message>
    <message>
        <source>Fehler bei Dateizugriff (%1)</source>
        <translation>File access error (%1)</translation>
    </message>
    <message>
        <source>Track ansehen</source>
        <translation>View track</translation>
    </message>
    <message>
        <source>List-Datei (*.lst)|*.lst|GPS-Datei(*.lst;*.nmea;*.log;*.txt;*.gps)|*.lst;*.nmea;*.log;*.txt;*.gps|alle (*.*)|*.*</source>
        <translation>List file (*.lst)|*.lst|GPS file(*.lst;*.nmea;*.log;*.txt;*.gps)|*.lst;*.nmea;*.log;*.txt;*.gps|all (*.*)|*.*</translation>
    </message>
    <message>
        <source>keine Position aufgezeichnet</source>
        <translation>no fix recorded</translation>
    </message>
    <message>
        <source>Höhe m</source>
        <translation>altitude m</translation>
    </message>
    <message>
        <source>km/h</source>
        <translation>km/h</translation>
    </message>
    <message>
        <source>Zeit (UTC)</source>
        <translation>time (UTC)</translation>
    </message>
    <message>
        <source>Position Nr. (ohne Zeit)</source>
        <translation>fix number (no times)</translation>
    </message>
    <message>
        <source>Einpassen</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>Ende %1</source>
        <translation>End %1</translation>
    </message>
    <message>
        <source>Höchster Punkt %1 m</source>
        <translation>Highest %1 m</translation>
    </message>
    <message>
        <source>Tiefster Punkt %1 m</source>
        <translation>Lowest %1 m</translation>
    </message>
    <message>
        <source>Schnellster Abschnitt %1 km/h</source>
        <translation>Fastest %1 km/h</translation>
    </message>
    <message>
        <source>Größter Sprung %1 km/h (nicht gewertet)</source>
        <translation>Largest jump %1 km/h (not counted)</translation>
    </message>
    <message>
        <source>Lücke %1 bis %2 (%3)</source>
        <translation>Gap %1 to %2 (%3)</translation>
    </message>
    <message>
        <source>und %1 weitere Lücken</source>
        <translation>and %1 more gaps</translation>
    </message>
    <message>
        <source>List-Download abgebrochen. Bis dahin empfangenen Track ansehen?<byte value="xd"/><byte value="xd"/></source>
        <translation>List download broken off. Show the track received so far?<byte value="xd"/><byte value="xd"/></translation>
    </message>
    <message>
        <source>List-Download beendet. Track ansehen?<byte value="xd"/><byte value="xd"/></source>
        <translation>List download finished. Show the track?<byte value="xd"/><byte value="xd"/></translation>
    </message>
</context>
<context>
    <name>UnitFlashen</name>
    <message>
        <source>Wirklich flashen?<byte value="xd"/><byte value="xd"/></source>
        <translation>Really update the firmware?<byte value="xd"/><byte value="xd"/></translation>
    </message>
    <message>
        <source>wirklich flashen?<byte value="xd"/><byte value="xd"/></source>
        <translation>Really update the firmware?<byte value="xd"/><byte value="xd"/></translation>
    </message>
</context>
</TS>
