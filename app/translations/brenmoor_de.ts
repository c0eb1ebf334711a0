<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>brenmoor::viewer::ContactDetailView</name>
    <message>
        <source>More</source>
        <translation>Weitere Angaben</translation>
    </message>
    <message>
        <source>Attached files</source>
        <translation>Angehängte Dateien</translation>
    </message>
    <message>
        <source>work</source>
        <translation>geschäftlich</translation>
    </message>
    <message>
        <source>home</source>
        <translation>privat</translation>
    </message>
    <message>
        <source>other</source>
        <translation>sonstige</translation>
    </message>
    <message>
        <source>Personal cell phone</source>
        <translation>Mobiltelefon privat</translation>
    </message>
    <message>
        <source>Car phone</source>
        <translation>Autotelefon</translation>
    </message>
    <message>
        <source>Other phone</source>
        <translation>Weiteres Telefon</translation>
    </message>
    <message>
        <source>Other fax</source>
        <translation>Weiteres Fax</translation>
    </message>
    <message>
        <source>Child</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>E-mail (%1): %2</source>
        <translation>E-Mail (%1): %2</translation>
    </message>
    <message>
        <source>Web page (%1): %2</source>
        <translation>Webseite (%1): %2</translation>
    </message>
    <message>
        <source>Instant messaging: %1</source>
        <translation>Instant Messaging: %1</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>&amp;Speichern ...</translation>
    </message>
    <message>
        <source>Save %1</source>
        <translation>%1 speichern</translation>
    </message>
    <message>
        <source>Contact Informations</source>
        <translation>Kontaktinformationen</translation>
    </message>
    <message>
        <source>Business</source>
        <translation>Geschäftlich</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>Privat</translation>
    </message>
    <message>
        <source>Briefcase</source>
        <translation>Aktentasche</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>Contact Information</source>
        <translation>Kontaktinformationen</translation>
    </message>
    <message>
        <source>Business Address</source>
        <translation>Geschäftsadresse</translation>
    </message>
    <message>
        <source>Persional</source>
        <translation>Privatadresse</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>Familie</translation>
    </message>
    <message>
        <source>Contact Brifcase</source>
        <translation>Kontakt-Aktentasche</translation>
    </message>
    <message>
        <source>Comments</source>
        <translation>Kommentare</translation>
    </message>
    <message>
        <source>Notes Certificate</source>
        <translation>Notes-Zertifikat</translation>
    </message>
    <message>
        <source>Organize</source>
        <translation>Organisieren</translation>
    </message>
    <message>
        <source>Internet Certificate</source>
        <translation>Internet-Zertifikat</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Anniversary</source>
        <translation>Jahrestag</translation>
    </message>
    <message>
        <source>Assistant</source>
        <translation>Assistent</translation>
    </message>
    <message>
        <source>Birthday</source>
        <translation>Geburtstag</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Kategorien</translation>
    </message>
    <message>
        <source>Cell phone</source>
        <translation>Mobiltelefon</translation>
    </message>
    <message>
        <source>Certified public key</source>
        <translation>Zertifizierter öffentlicher Schlüssel</translation>
    </message>
    <message>
        <source>Children</source>
        <translation>Kinder</translation>
    </message>
    <message>
        <source>City</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>Firma</translation>
    </message>
    <message>
        <source>Country/Region</source>
        <translation>Land/Region</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Dept</source>
        <translation>Abteilung</translation>
    </message>
    <message>
        <source>Display name format</source>
        <translation>Format des Anzeigenamens</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>First</source>
        <translation>Vorname</translation>
    </message>
    <message>
        <source>Flat name key</source>
        <translation>Schlüssel (flacher Name)</translation>
    </message>
    <message>
        <source>Full name</source>
        <translation>Vollständiger Name</translation>
    </message>
    <message>
        <source>Home fax</source>
        <translation>Fax privat</translation>
    </message>
    <message>
        <source>Home phone</source>
        <translation>Telefon privat</translation>
    </message>
    <message>
        <source>Job Title</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>Nachname</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Standort</translation>
    </message>
    <message>
        <source>Mail domain</source>
        <translation>Mail-Domäne</translation>
    </message>
    <message>
        <source>Manager</source>
        <translation>Vorgesetzter</translation>
    </message>
    <message>
        <source>Middle</source>
        <translation>Zweiter Vorname</translation>
    </message>
    <message>
        <source>Office fax</source>
        <translation>Fax geschäftlich</translation>
    </message>
    <message>
        <source>Office phone</source>
        <translation>Telefon geschäftlich</translation>
    </message>
    <message>
        <source>Other email 1</source>
        <translation>Weitere E-Mail 1</translation>
    </message>
    <message>
        <source>Other email 2</source>
        <translation>Weitere E-Mail 2</translation>
    </message>
    <message>
        <source>Other email 3</source>
        <translation>Weitere E-Mail 3</translation>
    </message>
    <message>
        <source>Pager</source>
        <translation>Pager</translation>
    </message>
    <message>
        <source>Phonetic name</source>
        <translation>Phonetischer Name</translation>
    </message>
    <message>
        <source>Short name</source>
        <translation>Kurzname</translation>
    </message>
    <message>
        <source>Show in preview pane</source>
        <translation>In Vorschau anzeigen</translation>
    </message>
    <message>
        <source>Spouse</source>
        <translation>Ehepartner</translation>
    </message>
    <message>
        <source>State/Province</source>
        <translation>Bundesland/Kanton</translation>
    </message>
    <message>
        <source>Street</source>
        <translation>Straße</translation>
    </message>
    <message>
        <source>Suffix</source>
        <translation>Namenszusatz</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Anrede</translation>
    </message>
    <message>
        <source>Web page</source>
        <translation>Webseite</translation>
    </message>
    <message>
        <source>Zip/Postal</source>
        <translation>PLZ</translation>
    </message>
    <message>
        <source>Zip/postal</source>
        <translation>PLZ</translation>
    </message>
    <message>
        <source>Internet certificate</source>
        <translation>Internet-Zertifikat</translation>
    </message>
    <message>
        <source>Internet certificate issuers</source>
        <translation>Aussteller des Internet-Zertifikats</translation>
    </message>
</context>
<context>
    <name>brenmoor::app::Dialog</name>
    <message>
        <source>Save as %1</source>
        <translation>Als %1 speichern</translation>
    </message>
    <message>
        <source>Contacts to save</source>
        <translation>Zu speichernde Kontakte</translation>
    </message>
    <message>
        <source>Save contacts as</source>
        <translation>Kontakte speichern als</translation>
    </message>
    <message>
        <source>Files for other programs</source>
        <translation>Dateien für andere Programme</translation>
    </message>
    <message>
        <source>Save NSF Contacts As</source>
        <translation>NSF-Kontakte speichern als</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Konvertieren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Please choose contact saving type</source>
        <translation>Bitte wählen Sie das Format zum Speichern der Kontakte</translation>
    </message>
</context>
<context>
    <name>brenmoor::app::Velmar</name>
    <message>
        <source>1 mailing list</source>
        <translation>1 Verteilerliste</translation>
    </message>
    <message>
        <source>%1 mailing lists</source>
        <translation>%1 Verteilerlisten</translation>
    </message>
    <message>
        <source>Save the attached file in which folder?</source>
        <translation>In welchem Ordner soll die angehängte Datei gespeichert werden?</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be saved: %2</source>
        <translation>„%1“ konnte nicht gespeichert werden: %2</translation>
    </message>
    <message>
        <source>Saved as &quot;%1&quot;.</source>
        <translation>Gespeichert als „%1“.</translation>
    </message>
    <message>
        <source>Contact list and details</source>
        <translation>Kontaktliste und Details</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Contacts the filter shows</source>
        <translation>Vom Filter gezeigte Kontakte</translation>
    </message>
    <message>
        <source>Selected contacts</source>
        <translation>Ausgewählte Kontakte</translation>
    </message>
    <message>
        <source>Filter by name, company or e-mail (Ctrl+F; Esc clears it)</source>
        <translation>Nach Name, Firma oder E-Mail filtern (Strg+F; Esc leert das Feld)</translation>
    </message>
    <message>
        <source>Contacts to save</source>
        <translation>Zu speichernde Kontakte</translation>
    </message>
    <message>
        <source>Save as</source>
        <translation>Speichern als</translation>
    </message>
    <message>
        <source>%1 of %2 selected</source>
        <translation>%1 von %2 ausgewählt</translation>
    </message>
    <message>
        <source>%1 of %2 shown</source>
        <translation>%1 von %2 angezeigt</translation>
    </message>
    <message>
        <source>The list shows no address book. Scan %1 first, then save.</source>
        <translation>Die Liste zeigt kein Adressbuch. Lesen Sie zuerst %1 ein, dann speichern Sie.</translation>
    </message>
    <message>
        <source>The path box names %1, but the list shows the contacts of %2.&#xd;
&#xd;
Scan %1 first to save its contacts, or put %2 back into the path box to save the list.</source>
        <translation>Das Pfadfeld nennt %1, die Liste zeigt aber die Kontakte von %2.&#xd;
&#xd;
Lesen Sie zuerst %1 ein, um dessen Kontakte zu speichern, oder setzen Sie %2 wieder in das Pfadfeld, um die Liste zu speichern.</translation>
    </message>
    <message>
        <source>Stop the scan (Esc)</source>
        <translation>Einlesen abbrechen (Esc)</translation>
    </message>
    <message>
        <source>Scan of %1 cancelled</source>
        <translation>Einlesen von %1 abgebrochen</translation>
    </message>
    <message>
        <source>Stopping the scan ...</source>
        <translation>Einlesen wird abgebrochen ...</translation>
    </message>
    <message>
        <source>Photo</source>
        <translation>Foto</translation>
    </message>
    <message>
        <source>Select Lotus Notes Addressbook Names.nsf File</source>
        <translation>Lotus-Notes-Adressbuch (Names.nsf) auswählen</translation>
    </message>
    <message>
        <source>Select Lotus Notes File</source>
        <translation>Lotus-Notes-Datei auswählen</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>Scan Lotus Notes Contact</source>
        <translation>Lotus-Notes-Kontakte einlesen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Contact List</source>
        <translation>Kontaktliste</translation>
    </message>
    <message>
        <source>Filter by name, company or e-mail</source>
        <translation>Name, Firma oder E-Mail</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Stop the export at the next contact (Esc)</source>
        <translation>Den Export beim nächsten Kontakt anhalten (Esc)</translation>
    </message>
    <message>
        <source>Visit Website</source>
        <translation>Website besuchen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open NSF Contact File</source>
        <translation>NSF-Kontaktdatei ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Scan Lotus Notes Contacts</source>
        <translation>Lotus-Notes-Kontakte einlesen</translation>
    </message>
    <message>
        <source>&amp;Save As</source>
        <translation>&amp;Speichern als</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Content</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Über...</translation>
    </message>
    <message>
        <source>Notes address book export (*.dxl *.xml)</source>
        <translation>Notes-Adressbuch-Export (*.dxl *.xml)</translation>
    </message>
    <message>
        <source>Select Lotus Notes(names.nsf) (*.nsf)</source>
        <translation>Lotus Notes (names.nsf) (*.nsf)</translation>
    </message>
    <message>
        <source>All files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>Scanning %1 ...</source>
        <translation>%1 wird eingelesen ...</translation>
    </message>
    <message>
        <source>scan stopped</source>
        <translation>Einlesen abgebrochen</translation>
    </message>
    <message>
        <source>The address book could not be scanned.</source>
        <translation>Das Adressbuch konnte nicht eingelesen werden.</translation>
    </message>
    <message>
        <source>Scanning stopped after the first contact; the list shows only it.</source>
        <translation>Das Einlesen brach nach dem ersten Kontakt ab; die Liste zeigt nur ihn.</translation>
    </message>
    <message>
        <source>Scanning stopped after %1 contacts; the list shows only those.</source>
        <translation>Das Einlesen brach nach %1 Kontakten ab; die Liste zeigt nur diese.</translation>
    </message>
    <message>
        <source>%1 could not be scanned</source>
        <translation>%1 konnte nicht eingelesen werden</translation>
    </message>
    <message>
        <source>%1 holds no contacts: no document of the form &quot;Person&quot;.</source>
        <translation>%1 enthält keine Kontakte: kein Dokument der Maske „Person“.</translation>
    </message>
    <message>
        <source>It holds %1.</source>
        <translation>Es enthält %1.</translation>
    </message>
    <message>
        <source>Members of %1</source>
        <translation>Mitglieder von %1</translation>
    </message>
    <message>
        <source>%1 (mailing list)</source>
        <translation>%1 (Verteilerliste)</translation>
    </message>
    <message>
        <source>%1 (no Internet address)</source>
        <translation>%1 (keine Internetadresse)</translation>
    </message>
    <message>
        <source>no contacts</source>
        <translation>keine Kontakte</translation>
    </message>
    <message>
        <source>1 contact</source>
        <translation>1 Kontakt</translation>
    </message>
    <message>
        <source>%1 contacts</source>
        <translation>%1 Kontakte</translation>
    </message>
    <message>
        <source>The contact could not be read.</source>
        <translation>Der Kontakt konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The export stopped before it was complete. The file it was writing was not written; every other file in the folder is kept as it was.</source>
        <translation>Der Export brach vor seinem Ende ab. Die Datei, die er gerade schrieb, wurde nicht geschrieben; alle anderen Dateien im Ordner bleiben, wie sie waren.</translation>
    </message>
    <message>
        <source>An export is running. Cancel it and exit?</source>
        <translation>Ein Export läuft. Abbrechen und beenden?</translation>
    </message>
    <message>
        <source>Scanning process completed</source>
        <translation>Einlesen abgeschlossen</translation>
    </message>
    <message>
        <source>Are you sure you want to exit?</source>
        <translation>Möchten Sie das Programm wirklich beenden?</translation>
    </message>
    <message>
        <source>This contact is no longer in the address book.&#xd;
&#xd;
The file has changed since the list was made. Scan the address book again to refresh the list.</source>
        <translation>Dieser Kontakt ist nicht mehr im Adressbuch.&#xd;
&#xd;
Die Datei hat sich geändert, seit die Liste erstellt wurde. Lesen Sie das Adressbuch erneut ein, um die Liste zu aktualisieren.</translation>
    </message>
</context>
<context>
    <name>WindowExportUi</name>
    <message>
        <source>&quot;%1&quot; is in the folder already, and maybe more pages of contacts of an earlier export.&#xd;
&#xd;
Replace them with the new pages, or keep them and give the new pages names of their own?</source>
        <translation>„%1“ liegt schon im Ordner, vielleicht mit weiteren Kontaktseiten eines früheren Exports.&#xd;
&#xd;
Sollen die neuen Seiten sie ersetzen, oder sollen sie bleiben und die neuen Seiten eigene Namen bekommen?</translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Ersetzen</translation>
    </message>
    <message>
        <source>&amp;Keep Both</source>
        <translation>&amp;Beide behalten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>1 contact was written to &quot;%1&quot;</source>
        <translation>1 Kontakt wurde nach „%1“ geschrieben</translation>
    </message>
    <message>
        <source>%1 contacts were written to &quot;%2&quot;</source>
        <translation>%1 Kontakte wurden nach „%2“ geschrieben</translation>
    </message>
    <message>
        <source>No file was written.</source>
        <translation>Es wurde keine Datei geschrieben.</translation>
    </message>
    <message>
        <source>File: %1</source>
        <translation>Datei: %1</translation>
    </message>
    <message>
        <source>Files: %1</source>
        <translation>Dateien: %1</translation>
    </message>
    <message>
        <source>%1 files: %2 and %3 more.</source>
        <translation>%1 Dateien: %2 und %3 weitere.</translation>
    </message>
    <message>
        <source>Contacts written: %1</source>
        <translation>Geschriebene Kontakte: %1</translation>
    </message>
    <message>
        <source>Contacts skipped: %1</source>
        <translation>Übersprungene Kontakte: %1</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
</context>
<context>
    <name>brenmoor::app::frmAbout</name>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Visit Website</source>
        <translation>Website besuchen</translation>
    </message>
</context>
<context>
    <name>brenmoor::exporting</name>
    <message>
        <source>The contacts were shared out over %1 files, %2 to %3.</source>
        <translation>Die Kontakte wurden auf %1 Dateien verteilt, %2 bis %3.</translation>
    </message>
    <message>
        <source>Could not create the PST store "%1": %2. Choose a folder you can write to.</source>
        <translation>Der PST-Speicher „%1“ konnte nicht angelegt werden: %2. Wählen Sie einen Ordner, in den Sie schreiben dürfen.</translation>
    </message>
    <message>
        <source>The PST store was not created.</source>
        <translation>Der PST-Speicher wurde nicht angelegt.</translation>
    </message>
    <message>
        <source>The Contacts folder of the PST store is full: one folder holds about 3.5 million contacts at the most.</source>
        <translation>Der Kontakte-Ordner des PST-Speichers ist voll: Ein Ordner fasst höchstens etwa 3,5 Millionen Kontakte.</translation>
    </message>
    <message>
        <source>The PST store could not be written: %1. Make room on the disk or choose another folder, then export again.</source>
        <translation>Der PST-Speicher konnte nicht geschrieben werden: %1. Schaffen Sie Platz auf dem Laufwerk oder wählen Sie einen anderen Ordner, und exportieren Sie dann erneut.</translation>
    </message>
    <message>
        <source>The contact could not be saved in the PST store: %1.</source>
        <translation>Der Kontakt konnte nicht im PST-Speicher gespeichert werden: %1.</translation>
    </message>
    <message>
        <source>Could not complete the PST store "%1": %2.</source>
        <translation>Der PST-Speicher „%1“ konnte nicht fertiggestellt werden: %2.</translation>
    </message>
    <message>
        <source>Contacts written: %1</source>
        <translation>Geschriebene Kontakte: %1</translation>
    </message>
    <message>
        <source>It holds %1.</source>
        <translation>Es enthält %1.</translation>
    </message>
    <message>
        <source>1 conflict</source>
        <translation>1 Konflikt</translation>
    </message>
    <message>
        <source>%1 conflicts</source>
        <translation>%1 Konflikte</translation>
    </message>
    <message>
        <source>1 document without a form</source>
        <translation>1 Dokument ohne Maske</translation>
    </message>
    <message>
        <source>%1 documents without a form</source>
        <translation>%1 Dokumente ohne Maske</translation>
    </message>
    <message>
        <source>1 %1 document</source>
        <translation>1 Dokument der Maske %1</translation>
    </message>
    <message>
        <source>%2 %1 documents</source>
        <translation>%2 Dokumente der Maske %1</translation>
    </message>
    <message>
        <source>1 contact</source>
        <translation>1 Kontakt</translation>
    </message>
    <message>
        <source>%1 contacts</source>
        <translation>%1 Kontakte</translation>
    </message>
    <message>
        <source>1 photo</source>
        <translation>1 Foto</translation>
    </message>
    <message>
        <source>%1 photos</source>
        <translation>%1 Fotos</translation>
    </message>
    <message>
        <source>1 attachment</source>
        <translation>1 Anhang</translation>
    </message>
    <message>
        <source>%1 attachments</source>
        <translation>%1 Anhänge</translation>
    </message>
    <message>
        <source>%1 and %2 more</source>
        <translation>%1 und %2 weitere</translation>
    </message>
    <message>
        <source>Contacts not written: %1</source>
        <translation>Nicht geschriebene Kontakte: %1</translation>
    </message>
    <message>
        <source>Mailing lists written: %1</source>
        <translation>Geschriebene Verteilerlisten: %1</translation>
    </message>
    <message>
        <source>Mailing lists left out, none of their members picked: %1</source>
        <translation>Ausgelassene Verteilerlisten, keines ihrer Mitglieder ausgewählt: %1</translation>
    </message>
    <message>
        <source>Mailing lists without a member, not written (an LDIF list needs one): %1</source>
        <translation>Verteilerlisten ohne Mitglied, nicht geschrieben (eine LDIF-Liste braucht eines): %1</translation>
    </message>
    <message>
        <source>Written with the contacts: %1</source>
        <translation>Mit den Kontakten geschrieben: %1</translation>
    </message>
    <message>
        <source>Named in the contacts' notes: %1</source>
        <translation>In den Notizen der Kontakte genannt: %1</translation>
    </message>
    <message>
        <source>Groups that are no address lists, not written: %1</source>
        <translation>Gruppen, die keine Adresslisten sind, nicht geschrieben: %1</translation>
    </message>
    <message>
        <source>The address book holds no contacts: no document of the form "Person".</source>
        <translation>Das Adressbuch enthält keine Kontakte: kein Dokument der Maske „Person“.</translation>
    </message>
    <message>
        <source>Documents that are no contacts, not written: %1</source>
        <translation>Dokumente, die keine Kontakte sind, nicht geschrieben: %1</translation>
    </message>
    <message>
        <source>Rich text or MIME that could not be read, left empty: %1. Export the book again with rich text as DXL (RichTextOption and MIMEOption set to DXL).</source>
        <translation>Rich Text oder MIME, das nicht gelesen werden konnte, leer gelassen: %1. Exportieren Sie das Adressbuch erneut mit Rich Text als DXL (RichTextOption und MIMEOption auf DXL gesetzt).</translation>
    </message>
    <message>
        <source>Values this format has no place for, not written: %1</source>
        <translation>Werte, für die dieses Format keinen Platz hat, nicht geschrieben: %1</translation>
    </message>
    <message>
        <source>Photos and attachments this format has no place for, not written: %1</source>
        <translation>Fotos und Anhänge, für die dieses Format keinen Platz hat, nicht geschrieben: %1</translation>
    </message>
    <message>
        <source>Attachments the book holds compressed, not written: %1. Export the book again with the DXL exporter's UncompressAttachments option set.</source>
        <translation>Anhänge, die das Adressbuch komprimiert enthält, nicht geschrieben: %1. Exportieren Sie das Adressbuch erneut mit gesetzter Option UncompressAttachments des DXL-Exporters.</translation>
    </message>
    <message>
        <source>Attachments whose data is damaged in the book, not written: %1. Export the book again.</source>
        <translation>Anhänge, deren Daten im Adressbuch beschädigt sind, nicht geschrieben: %1. Exportieren Sie das Adressbuch erneut.</translation>
    </message>
    <message>
        <source>Notes ID files, never written as they hold private keys: %1</source>
        <translation>Notes-ID-Dateien, nie geschrieben, da sie private Schlüssel enthalten: %1</translation>
    </message>
    <message>
        <source>Pictures the book holds as Notes bitmaps, not written: %1. Export the book again with the DXL exporter's ConvertNotesBitmapsToGIF option set.</source>
        <translation>Bilder, die das Adressbuch als Notes-Bitmaps enthält, nicht geschrieben: %1. Exportieren Sie das Adressbuch erneut mit gesetzter Option ConvertNotesBitmapsToGIF des DXL-Exporters.</translation>
    </message>
    <message>
        <source>Could not create the file "%1": %2.</source>
        <translation>Die Datei „%1“ konnte nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>Could not write the file "%1": %2.</source>
        <translation>Die Datei „%1“ konnte nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>Could not save the file "%1": %2.</source>
        <translation>Die Datei „%1“ konnte nicht gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>Check that the folder exists, that you may write to it and that the disk has room, then export again.</source>
        <translation>Prüfen Sie, ob der Ordner existiert, ob Sie darin schreiben dürfen und ob auf dem Laufwerk Platz ist, und exportieren Sie dann erneut.</translation>
    </message>
    <message>
        <source>Could not save the file "%1": something that is not a file has that name. Move it away or choose another folder, then export again.</source>
        <translation>Die Datei „%1“ konnte nicht gespeichert werden: Etwas, das keine Datei ist, trägt diesen Namen. Verschieben Sie es oder wählen Sie einen anderen Ordner, und exportieren Sie dann erneut.</translation>
    </message>
    <message>
        <source>There was not enough memory to go on.</source>
        <translation>Der Arbeitsspeicher reichte nicht aus, um fortzufahren.</translation>
    </message>
    <message>
        <source>An unknown error occurred.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>%1 of %2 could not be written.</source>
        <translation>Nicht geschrieben werden konnten: %1 von %2.</translation>
    </message>
    <message>
        <source>%1 could not be written.</source>
        <translation>Nicht geschrieben werden konnten: %1.</translation>
    </message>
    <message>
        <source>The first failure: %1</source>
        <translation>Der erste Fehler: %1</translation>
    </message>
    <message>
        <source>The address book could not be read after contact %1: %2</source>
        <translation>Das Adressbuch konnte nach Kontakt %1 nicht weiter gelesen werden: %2</translation>
    </message>
    <message>
        <source>The export stopped before any contact was exported.</source>
        <translation>Der Export brach ab, bevor ein Kontakt exportiert wurde.</translation>
    </message>
    <message>
        <source>The export stopped at contact %1, past the %2 the address book held when the export began.</source>
        <translation>Der Export brach bei Kontakt %1 ab, nach den %2, die das Adressbuch zu Beginn des Exports enthielt.</translation>
    </message>
    <message>
        <source>The export stopped at contact %1 of %2.</source>
        <translation>Der Export brach bei Kontakt %1 von %2 ab.</translation>
    </message>
    <message>
        <source>The export stopped at contact %1.</source>
        <translation>Der Export brach bei Kontakt %1 ab.</translation>
    </message>
    <message>
        <source>The export stopped at the end of the address book.</source>
        <translation>Der Export brach am Ende des Adressbuchs ab.</translation>
    </message>
    <message>
        <source>The export stopped while completing its files.</source>
        <translation>Der Export brach beim Fertigstellen seiner Dateien ab.</translation>
    </message>
    <message>
        <source>%1 was not written</source>
        <translation>%1 wurde nicht geschrieben</translation>
    </message>
    <message>
        <source>%1 were not written</source>
        <translation>%1 wurden nicht geschrieben</translation>
    </message>
    <message>
        <source>%1; every file in "%2" is kept as it was.</source>
        <translation>%1; jede Datei in „%2“ bleibt, wie sie war.</translation>
    </message>
    <message>
        <source>No file was written</source>
        <translation>Es wurde keine Datei geschrieben</translation>
    </message>
    <message>
        <source>1 file was written to "%1" (%2)</source>
        <translation>1 Datei wurde nach „%1“ geschrieben (%2)</translation>
    </message>
    <message>
        <source>%1 files were written to "%2" (%3 to %4)</source>
        <translation>%1 Dateien wurden nach „%2“ geschrieben (%3 bis %4)</translation>
    </message>
    <message>
        <source>%1; every other file in the folder is kept as it was.</source>
        <translation>%1; jede andere Datei im Ordner bleibt, wie sie war.</translation>
    </message>
    <message>
        <source>%1; %2, and every other file in the folder is kept as it was.</source>
        <translation>%1; %2, und jede andere Datei im Ordner bleibt, wie sie war.</translation>
    </message>
    <message>
        <source>The address book "%1" has %2, fewer than the selection reaches (%3). Scan it again and select anew.</source>
        <translation>Das Adressbuch „%1“ hat %2, weniger als die Auswahl erreicht (%3). Lesen Sie es erneut ein und wählen Sie neu aus.</translation>
    </message>
    <message>
        <source>Reading the address book "%1" gave %2 where its count said %3, so the export cannot be sure it has every contact.</source>
        <translation>Das Lesen des Adressbuchs „%1“ ergab %2, wo seine Zählung %3 ergab; der Export kann daher nicht sicher sein, jeden Kontakt zu haben.</translation>
    </message>
    <message>
        <source>Export cancelled: %1 was written. %2</source>
        <translation>Export abgebrochen: %1 wurde geschrieben. %2</translation>
    </message>
    <message>
        <source>Export cancelled: %1 were written. %2</source>
        <translation>Export abgebrochen: %1 wurden geschrieben. %2</translation>
    </message>
    <message>
        <source>%1 control character was left out of the values, as the programs that read the file do not take them.</source>
        <translation>%1 Steuerzeichen wurde aus den Werten weggelassen, da die Programme, die die Datei lesen, es nicht annehmen.</translation>
    </message>
    <message>
        <source>%1 control characters were left out of the values, as the programs that read the file do not take them.</source>
        <translation>%1 Steuerzeichen wurden aus den Werten weggelassen, da die Programme, die die Datei lesen, sie nicht annehmen.</translation>
    </message>
    <message>
        <source>Conversion Process Completed</source>
        <translation>Konvertierung abgeschlossen</translation>
    </message>
    <message>
        <source>Please select a Server folder.</source>
        <translation>Bitte wählen Sie einen Zielordner.</translation>
    </message>
    <message>
        <source>File Not Selected!&#xd;
&#xd;
First Select Names.nsf file using Browse button..</source>
        <translation>Keine Datei ausgewählt!&#xd;
&#xd;
Wählen Sie zuerst mit „Durchsuchen“ die Datei Names.nsf aus.</translation>
    </message>
    <message>
        <source>Save As PST</source>
        <translation>Als PST speichern</translation>
    </message>
    <message>
        <source>Save As CSV</source>
        <translation>Als CSV speichern</translation>
    </message>
    <message>
        <source>Save As vCard</source>
        <translation>Als vCard speichern</translation>
    </message>
    <message>
        <source>Save As HTML</source>
        <translation>Als HTML speichern</translation>
    </message>
    <message>
        <source>Save As TXT</source>
        <translation>Als TXT speichern</translation>
    </message>
    <message>
        <source>Save as PST (Outlook 2010,2007,2003,2002,2000,97)</source>
        <translation>Als PST speichern (Outlook 2010, 2007, 2003, 2002, 2000, 97)</translation>
    </message>
    <message>
        <source>Save as CSV</source>
        <translation>Als CSV speichern</translation>
    </message>
    <message>
        <source>Save as vCard (.vcf)</source>
        <translation>Als vCard speichern (.vcf)</translation>
    </message>
    <message>
        <source>Save as HTML</source>
        <translation>Als HTML speichern</translation>
    </message>
    <message>
        <source>Save as TXT format</source>
        <translation>Im TXT-Format speichern</translation>
    </message>
</context>
<context>
    <name>brenmoor::app::Artwork</name>
    <message>
        <source>Lotus Notes address book converter</source>
        <translation>Konverter für Lotus-Notes-Adressbücher</translation>
    </message>
    <message>
        <source>SAVES CONTACTS AS</source>
        <translation>SPEICHERT KONTAKTE ALS</translation>
    </message>
    <message>
        <source>Conversion options</source>
        <translation>Umwandlungsoptionen</translation>
    </message>
    <message>
        <source>Choose the contacts and the form to save them in</source>
        <translation>Kontakte und Format wählen</translation>
    </message>
    <message>
        <source>SAVE CONTACTS AS</source>
        <translation>KONTAKTE SPEICHERN ALS</translation>
    </message>
    <message>
        <source>Saves Lotus Notes contacts as PST, CSV, vCard, LDIF, HTML and text</source>
        <translation>Speichert Notes-Kontakte als PST, CSV, vCard, LDIF, HTML, Text</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Support</translation>
    </message>
    <message>
        <source>Web</source>
        <translation>Web</translation>
    </message>
</context>
<context>
    <name>brenmoor::app::ContactTreeModel</name>
    <message>
        <source>Notes Address Book</source>
        <translation>Notes-Adressbuch</translation>
    </message>
    <message>
        <source>Mailing Lists</source>
        <translation>Verteilerlisten</translation>
    </message>
</context>
<context>
    <name>brenmoor::notes</name>
    <message>
        <source>Cannot open the address book "%1": %2. Check the path and that you may read the file.</source>
        <translation>Das Adressbuch „%1“ kann nicht geöffnet werden: %2. Prüfen Sie den Pfad und ob Sie die Datei lesen dürfen.</translation>
    </message>
    <message>
        <source>No address book was named. Choose the DXL file exported from Notes.</source>
        <translation>Es wurde kein Adressbuch angegeben. Wählen Sie die aus Notes exportierte DXL-Datei.</translation>
    </message>
    <message>
        <source>The address book "%1" is a folder, not a file. Choose the DXL file exported from Notes.</source>
        <translation>Das Adressbuch „%1“ ist ein Ordner, keine Datei. Wählen Sie die aus Notes exportierte DXL-Datei.</translation>
    </message>
    <message>
        <source>The address book "%1" is not a regular file (it is a pipe, a device or a socket). Choose the DXL file exported from Notes.</source>
        <translation>Das Adressbuch „%1“ ist keine gewöhnliche Datei (sondern eine Pipe, ein Gerät oder ein Socket). Wählen Sie die aus Notes exportierte DXL-Datei.</translation>
    </message>
    <message>
        <source>The address book "%1" is empty. Choose the DXL file exported from Notes.</source>
        <translation>Das Adressbuch „%1“ ist leer. Wählen Sie die aus Notes exportierte DXL-Datei.</translation>
    </message>
    <message>
        <source>The file "%1" is a Notes database (.nsf), which Brenmoor cannot read directly. Brenmoor reads address books exported from Notes as DXL (Domino XML). Export the address book as DXL first with Notes' DXL exporter (for example a LotusScript agent that runs NotesSession.CreateDXLExporter on the database), then choose the .xml file it writes.</source>
        <translation>Die Datei „%1“ ist eine Notes-Datenbank (.nsf), die Brenmoor nicht direkt lesen kann. Brenmoor liest Adressbücher, die aus Notes als DXL (Domino XML) exportiert wurden. Exportieren Sie das Adressbuch zuerst mit dem DXL-Exporter von Notes als DXL (zum Beispiel mit einem LotusScript-Agenten, der NotesSession.CreateDXLExporter auf die Datenbank anwendet), und wählen Sie dann die .xml-Datei, die er schreibt.</translation>
    </message>
    <message>
        <source>The address book "%1" could not be read: %2. Check the disk or the network share it is on, then try again.</source>
        <translation>Das Adressbuch „%1“ konnte nicht gelesen werden: %2. Prüfen Sie das Laufwerk oder die Netzwerkfreigabe, auf der es liegt, und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The address book "%1" changed while it was read. Wait until nothing writes to it any more (for example until the export from Notes has finished), then try again.</source>
        <translation>Das Adressbuch „%1“ hat sich geändert, während es gelesen wurde. Warten Sie, bis nichts mehr hineinschreibt (zum Beispiel bis der Export aus Notes beendet ist), und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The address book "%1" is not well-formed XML: line %2, column %3: %4. Export the address book from Notes again.</source>
        <translation>Das Adressbuch „%1“ ist kein wohlgeformtes XML: Zeile %2, Spalte %3: %4. Exportieren Sie das Adressbuch erneut aus Notes.</translation>
    </message>
    <message>
        <source>Out of memory while reading the address book "%1".</source>
        <translation>Beim Lesen des Adressbuchs „%1“ reichte der Arbeitsspeicher nicht aus.</translation>
    </message>
    <message>
        <source>The file "%1" is XML, but not a Notes address book exported as DXL: its root element is &lt;%2&gt; without the DXL namespace %3, where a DXL export has &lt;database xmlns='%3'&gt;. Choose the DXL file exported from Notes.</source>
        <translation>Die Datei „%1“ ist XML, aber kein als DXL exportiertes Notes-Adressbuch: Ihr Wurzelelement ist &lt;%2&gt; ohne den DXL-Namensraum %3, wo ein DXL-Export &lt;database xmlns='%3'&gt; hat. Wählen Sie die aus Notes exportierte DXL-Datei.</translation>
    </message>
    <message>
        <source>The file "%1" is XML, but not a Notes address book exported as DXL: its root element is &lt;%2&gt;, where a DXL export has &lt;database xmlns='%3'&gt;. Choose the DXL file exported from Notes.</source>
        <translation>Die Datei „%1“ ist XML, aber kein als DXL exportiertes Notes-Adressbuch: Ihr Wurzelelement ist &lt;%2&gt;, wo ein DXL-Export &lt;database xmlns='%3'&gt; hat. Wählen Sie die aus Notes exportierte DXL-Datei.</translation>
    </message>
    <message>
        <source>The file "%1" is not XML, so it is no address book exported from Notes as DXL. Choose the DXL (.xml or .dxl) file exported from Notes.</source>
        <translation>Die Datei „%1“ ist kein XML und damit kein aus Notes als DXL exportiertes Adressbuch. Wählen Sie die aus Notes exportierte DXL-Datei (.xml oder .dxl).</translation>
    </message>
    <message>
        <source>%1 conflict</source>
        <translation>%1 Konflikt</translation>
    </message>
    <message>
        <source>%1 conflicts</source>
        <translation>%1 Konflikte</translation>
    </message>
    <message>
        <source>kept: conflict without its original: %1</source>
        <translation>behalten: Konflikt ohne sein Original: %1</translation>
    </message>
    <message>
        <source>without a form</source>
        <translation>ohne Maske</translation>
    </message>
</context>
<context>
    <name>brenmoor::pst</name>
    <message>
        <source>The store "%1" cannot be created: %2</source>
        <translation>Der Speicher „%1“ kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>The store "%1" cannot be written: %2</source>
        <translation>Der Speicher „%1“ kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>The store "%1" cannot be completed: %2</source>
        <translation>Der Speicher „%1“ kann nicht fertiggestellt werden: %2</translation>
    </message>
    <message>
        <source>The folder "%1" is full: its contents table holds no more items.</source>
        <translation>Der Ordner „%1“ ist voll: Seine Inhaltstabelle fasst keine weiteren Elemente.</translation>
    </message>
    <message>
        <source>The PST store would grow past 50 GB, the most a Unicode store may hold.</source>
        <translation>Der PST-Speicher würde über 50 GB wachsen, das Höchstmaß eines Unicode-Speichers.</translation>
    </message>
</context>
<context>
    <name>brenmoor::groups</name>
    <message>
        <source>multi-purpose</source>
        <translation>Mehrzweck</translation>
    </message>
    <message>
        <source>mail only</source>
        <translation>nur E-Mail</translation>
    </message>
    <message>
        <source>access control only</source>
        <translation>nur Zugriffskontrolle</translation>
    </message>
    <message>
        <source>deny list only</source>
        <translation>nur Zugriff verweigert</translation>
    </message>
    <message>
        <source>servers only</source>
        <translation>nur Server</translation>
    </message>
    <message>
        <source>of an unknown type</source>
        <translation>unbekannten Typs</translation>
    </message>
    <message>
        <source>%1: %2 contacts of that name; the first was taken</source>
        <translation>%1: %2 Kontakte dieses Namens; der erste wurde genommen</translation>
    </message>
    <message>
        <source>%1: %2 contacts of that address; the first was taken</source>
        <translation>%1: %2 Kontakte dieser Adresse; der erste wurde genommen</translation>
    </message>
</context>
<context>
    <name>brenmoor::app::SaveScope</name>
    <message>
        <source>&amp;All: the one contact of the book</source>
        <translation>&amp;Alle: der eine Kontakt des Adressbuchs</translation>
    </message>
    <message>
        <source>&amp;All %1 contacts</source>
        <translation>&amp;Alle %1 Kontakte</translation>
    </message>
    <message>
        <source>The &amp;selected contact</source>
        <translation>Der &amp;ausgewählte Kontakt</translation>
    </message>
    <message>
        <source>The %1 &amp;selected contacts</source>
        <translation>Die %1 &amp;ausgewählten Kontakte</translation>
    </message>
    <message>
        <source>The contact shown by the &amp;filter</source>
        <translation>Der vom &amp;Filter gezeigte Kontakt</translation>
    </message>
    <message>
        <source>The %1 contacts shown by the &amp;filter</source>
        <translation>Die %1 vom &amp;Filter gezeigten Kontakte</translation>
    </message>
    <message>
        <source>The one contact of the address book is saved</source>
        <translation>Der eine Kontakt des Adressbuchs wird gespeichert</translation>
    </message>
    <message>
        <source>All %1 contacts of the address book are saved</source>
        <translation>Alle %1 Kontakte des Adressbuchs werden gespeichert</translation>
    </message>
    <message>
        <source>Only the selected contact is saved</source>
        <translation>Nur der ausgewählte Kontakt wird gespeichert</translation>
    </message>
    <message>
        <source>Only the %1 selected contacts are saved</source>
        <translation>Nur die %1 ausgewählten Kontakte werden gespeichert</translation>
    </message>
    <message>
        <source>Only the contact shown by the filter is saved</source>
        <translation>Nur der vom Filter gezeigte Kontakt wird gespeichert</translation>
    </message>
    <message>
        <source>Only the %1 contacts shown by the filter are saved</source>
        <translation>Nur die %1 vom Filter gezeigten Kontakte werden gespeichert</translation>
    </message>
    <message>
        <source>, in the folder you choose next.</source>
        <translation>, im Ordner, den Sie als Nächstes wählen.</translation>
    </message>
</context>
</TS>
