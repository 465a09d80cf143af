<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="fr">
<context>
    <name>AnimationRun</name>
    <message>
        <source>Impossible de créer une image de %1 * %2 pixels</source>
        <translation>Cannot create a %1 × %2 pixel frame</translation>
    </message>
</context>
<context>
    <name>AviCompressionDialog</name>
    <message>
        <source>&amp;Débit (Ko/s) :</source>
        <translation>&amp;Data rate (KB/s):</translation>
    </message>
    <message>
        <source>Compression vidéo</source>
        <translation>Video Compression</translation>
    </message>
    <message>
        <source>Sans Compression</source>
        <translation>Uncompressed</translation>
    </message>
    <message>
        <source>Curseur de qualité</source>
        <translation>Quality slider</translation>
    </message>
    <message>
        <source>défaut</source>
        <translation>default</translation>
    </message>
    <message>
        <source> images</source>
        <translation> frames</translation>
    </message>
    <message>
        <source> image</source>
        <translation> frame</translation>
    </message>
    <message>
        <source>Débit (Ko/s)</source>
        <translation>Data rate (KB/s)</translation>
    </message>
    <message>
        <source>&amp;Compresseur :</source>
        <translation>&amp;Compressor:</translation>
    </message>
    <message>
        <source>&amp;Qualité (0 à 10000) :</source>
        <translation>&amp;Quality (0 to 10000):</translation>
    </message>
    <message>
        <source>&amp;Image clé toutes les :</source>
        <translation>&amp;Key frame every:</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>BrowseForFolder</name>
    <message>
        <source>Création de Dossier</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>Nouveau Dossier:</source>
        <translation>Folder name:</translation>
    </message>
    <message>
        <source>Le Dossier Existe déjà</source>
        <translation>The folder already exists</translation>
    </message>
</context>
<context>
    <name>CameraChoices</name>
    <message>
        <source>Carré (1080 × 1080)</source>
        <translation>Square (1080 × 1080)</translation>
    </message>
    <message>
        <source>Personnalisée</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>Taille de sortie Incorrecte</source>
        <translation>Invalid output size</translation>
    </message>
    <message>
        <source>Valeur de Largeur de sortie Incorrecte (de %1 à %2)</source>
        <translation>Invalid output width (from %1 to %2)</translation>
    </message>
    <message>
        <source>Valeur de Hauteur de sortie Incorrecte (de %1 à %2)</source>
        <translation>Invalid output height (from %1 to %2)</translation>
    </message>
    <message>
        <source>Valeur de Durée d&apos;un passage Incorrecte</source>
        <translation>Invalid pass duration</translation>
    </message>
    <message>
        <source>Valeur de Pause aux extrémités Incorrecte</source>
        <translation>Invalid pause at the ends</translation>
    </message>
    <message>
        <source>Un passage : %1 s (%2 images à %3 images par seconde)</source>
        <translation>One pass: %1 s (%2 frames at %3 frames per second)</translation>
    </message>
    <message>
        <source>Il traverse l&apos;image en %1 s : sous 7 s le défilement saccade. Une durée de %2 s serait fluide</source>
        <translation>The picture crosses the frame in %1 s: under 7 s, scrolling judders. A pass of %2 s would be smooth</translation>
    </message>
</context>
<context>
    <name>CommandPanel</name>
    <message>
        <source>Fichier Source Panorama:</source>
        <translation>Panorama picture:</translation>
    </message>
    <message>
        <source>Ouvrir...</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>Dimensions des Images de  l&apos;Animation:</source>
        <translation>Animation frame size:</translation>
    </message>
    <message>
        <source>Largeur: </source>
        <translation>Width: </translation>
    </message>
    <message>
        <source>Hauteur:</source>
        <translation>Height:</translation>
    </message>
    <message>
        <source>Défilement:</source>
        <translation>Scrolling:</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>Pas (pixels)</source>
        <translation>Step (pixels)</translation>
    </message>
    <message>
        <source>Pas</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>G-&gt;D / H-&gt;B</source>
        <translation>L-&gt;R / T-&gt;B</translation>
    </message>
    <message>
        <source>Aller et Retour</source>
        <translation>There and Back</translation>
    </message>
    <message>
        <source>Centrer l&apos;Image</source>
        <translation>Center the Picture</translation>
    </message>
    <message>
        <source>Panorama 360° (boucle)</source>
        <translation>360° panorama (loop)</translation>
    </message>
    <message>
        <source>Le panorama fait un tour complet : l&apos;animation boucle sans raccord</source>
        <translation>The panorama goes full circle: the animation loops without a seam</translation>
    </message>
    <message>
        <source>Enregistrement:</source>
        <translation>Output:</translation>
    </message>
    <message>
        <source>Déplacer vers:</source>
        <translation>Move to:</translation>
    </message>
    <message>
        <source>Choisir le dossier</source>
        <translation>Choose the folder</translation>
    </message>
    <message>
        <source>Sous Répertoire:</source>
        <translation>Subfolder:</translation>
    </message>
    <message>
        <source>Renommer:</source>
        <translation>Rename:</translation>
    </message>
    <message>
        <source>ReNuméroter à partir de:</source>
        <translation>Number from:</translation>
    </message>
    <message>
        <source>Numérotation Formatée </source>
        <translation>Zero-padded numbers </translation>
    </message>
    <message>
        <source>Format d&apos;Enregistrement:</source>
        <translation>Output format:</translation>
    </message>
    <message>
        <source>Vidéo</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Options JPEG</source>
        <translation>JPEG Options</translation>
    </message>
    <message>
        <source>Options AVI</source>
        <translation>AVI Options</translation>
    </message>
    <message>
        <source>Options Vidéo</source>
        <translation>Video Options</translation>
    </message>
    <message>
        <source>Tester</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Créer</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>Vérifier</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>STOP</source>
        <translation>STOP</translation>
    </message>
    <message>
        <source>Visualisation sans sauvegarde</source>
        <translation>Preview without saving</translation>
    </message>
    <message>
        <source>Tester le Nom de Fichier</source>
        <translation>Show the File Name</translation>
    </message>
    <message>
        <source>Revenir aux Valeurs par Défaut</source>
        <translation>Back to the Defaults</translation>
    </message>
    <message>
        <source>Ouvrir le dossier</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>Ouvre dans le gestionnaire de fichiers le dossier de la dernière création</source>
        <translation>Opens the folder of the last run&apos;s output in the file manager</translation>
    </message>
</context>
<context>
    <name>EnsureFolder</name>
    <message>
        <source>Impossible de créer Le Dossier: &apos;%1&apos;</source>
        <translation>Cannot create the folder &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Création du Répertoire?</source>
        <translation>Create the folder?</translation>
    </message>
    <message>
        <source>Erreur</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>FrameFile</name>
    <message>
        <source>Ecraser le Fichier ?</source>
        <translation>Replace the file?</translation>
    </message>
</context>
<context>
    <name>HelpText</name>
    <message>
        <source>Impossible de lire le Fichier d&apos;Aide: &apos;%1&apos; (%2)</source>
        <translation>Cannot read the help file &apos;%1&apos; (%2)</translation>
    </message>
</context>
<context>
    <name>LanguageChoice</name>
    <message>
        <source>Langue non enregistrée : %1</source>
        <translation>Language not saved: %1</translation>
    </message>
</context>
<context>
    <name>MainMenus</name>
    <message>
        <source>Fichier</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Ouvrir...</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>Effacer</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Enregister Sous...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>Tester le Nom de Fichier</source>
        <translation>Show the File Name</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Animation</source>
        <translation>Animation</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Plein Ecran</source>
        <translation>Full Screen</translation>
    </message>
    <message>
        <source>Centrer l&apos;Animation dans la Fenêtre</source>
        <translation>Center the Animation in the Window</translation>
    </message>
    <message>
        <source>Tester une Animation</source>
        <translation>Preview an Animation</translation>
    </message>
    <message>
        <source>Créer une Animation</source>
        <translation>Create an Animation</translation>
    </message>
    <message>
        <source>Vérifier l&apos;animation créée</source>
        <translation>Play the Animation Made</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Options Jpeg...</source>
        <translation>JPEG Options...</translation>
    </message>
    <message>
        <source>Options AVI...</source>
        <translation>AVI Options...</translation>
    </message>
    <message>
        <source>Options Vidéo...</source>
        <translation>Video Options...</translation>
    </message>
    <message>
        <source>Valeurs par Défaut</source>
        <translation>Default Values</translation>
    </message>
    <message>
        <source>Voir/Cacher le Panneau de Commande...</source>
        <translation>Show/Hide the Control Panel...</translation>
    </message>
    <message>
        <source>Temporisation de Visualisation...</source>
        <translation>Preview Delay...</translation>
    </message>
    <message>
        <source>Réinitialiser les réglages</source>
        <translation>Reset the Settings</translation>
    </message>
    <message>
        <source>Langue</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Aide</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>A propos</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Vérifier une Animation</source>
        <translation>Play an Animation</translation>
    </message>
    <message>
        <source>Options Caméra...</source>
        <translation>Camera Options...</translation>
    </message>
    <message>
        <source>Ouvrir le dossier</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>Ouvre dans le gestionnaire de fichiers le dossier de la dernière création</source>
        <translation>Opens the folder of the last run&apos;s output in the file manager</translation>
    </message>
</context>
<context>
    <name>PanoramaPreview</name>
    <message>
        <source>Affichage</source>
        <translation>View</translation>
    </message>
    <message>
        <source>Zoom avant</source>
        <translation>Zoom In</translation>
    </message>
    <message>
        <source>Zoom arrière</source>
        <translation>Zoom Out</translation>
    </message>
    <message>
        <source>Taille réelle</source>
        <translation>Actual Size</translation>
    </message>
    <message>
        <source>Ajuster à la fenêtre</source>
        <translation>Fit to Window</translation>
    </message>
</context>
<context>
    <name>PictureLoadFeedback</name>
    <message>
        <source>Chargement de %1 : %2 %</source>
        <translation>Loading %1: %2 %</translation>
    </message>
</context>
<context>
    <name>PictureOpenDialog</name>
    <message>
        <source>Aperçu</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Fichier trop volumineux pour l&apos;aperçu</source>
        <translation>File too large to preview</translation>
    </message>
</context>
<context>
    <name>PictureOpening</name>
    <message>
        <source>Chargement annulé</source>
        <translation>Loading cancelled</translation>
    </message>
    <message>
        <source>Image non chargée : %1</source>
        <translation>Picture not loaded: %1</translation>
    </message>
</context>
<context>
    <name>PictureView</name>
    <message>
        <source>Préparation de l&apos;aperçu...</source>
        <translation>Preparing the preview...</translation>
    </message>
</context>
<context>
    <name>QtWindowServices</name>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Oui</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Non</source>
        <translation>&amp;No</translation>
    </message>
</context>
<context>
    <name>RememberedSettings</name>
    <message>
        <source>%1 : écriture impossible (accès refusé ou disque plein)</source>
        <translation>%1: cannot be written (permission denied or disk full)</translation>
    </message>
    <message>
        <source>%1 : fichier de réglages illisible</source>
        <translation>%1: unreadable settings file</translation>
    </message>
</context>
<context>
    <name>RunCommands</name>
    <message>
        <source>%1 - %2 image(s) non enregistrée(s)</source>
        <translation>%1 - %2 frame(s) not saved</translation>
    </message>
    <message>
        <source>%1 est l&apos;image en cours de lecture : rien n&apos;a été écrit</source>
        <translation>%1 is the picture being read: nothing was written</translation>
    </message>
    <message>
        <source>Le dossier %1 n&apos;existe plus</source>
        <translation>The folder %1 no longer exists</translation>
    </message>
    <message>
        <source>Impossible d&apos;ouvrir le dossier %1 dans le gestionnaire de fichiers</source>
        <translation>Cannot open the folder %1 in the file manager</translation>
    </message>
</context>
<context>
    <name>RunEndText</name>
    <message>
        <source>%1 - arrêté : %2 image(s) enregistrée(s)</source>
        <translation>%1 - stopped: %2 frame(s) saved</translation>
    </message>
</context>
<context>
    <name>RunLengthText</name>
    <message>
        <source>%1 images, %2 à %3 i/s</source>
        <translation>%1 frames, %2 at %3 fps</translation>
    </message>
    <message>
        <source>%1 image, %2 à %3 i/s</source>
        <translation>%1 frame, %2 at %3 fps</translation>
    </message>
    <message>
        <source>%1 images</source>
        <translation>%1 frames</translation>
    </message>
    <message>
        <source>%1 image</source>
        <translation>%1 frame</translation>
    </message>
    <message>
        <source>aucune image</source>
        <translation>no frames</translation>
    </message>
</context>
<context>
    <name>SaveAsCommand</name>
    <message>
        <source>Enregistrer Image</source>
        <translation>Save Picture</translation>
    </message>
</context>
<context>
    <name>SaveFailureText</name>
    <message>
        <source>Impossible d&apos;enregistrer &apos;%1&apos;
%2</source>
        <translation>Cannot save &apos;%1&apos;
%2</translation>
    </message>
</context>
<context>
    <name>SettingsPanel</name>
    <message>
        <source>Aucune Image Chargée</source>
        <translation>No Picture Loaded</translation>
    </message>
    <message>
        <source>Valeur de Largeur Incorrecte</source>
        <translation>Invalid width</translation>
    </message>
    <message>
        <source>Valeur de Hauteur Incorrecte</source>
        <translation>Invalid height</translation>
    </message>
    <message>
        <source>Valeur de Pas Incorrecte</source>
        <translation>Invalid step</translation>
    </message>
    <message>
        <source>OUI: Rechercher le prochain Nom de Fichier Libre?    NON: Ecraser</source>
        <translation>YES: find the next free file name?    NO: replace</translation>
    </message>
    <message>
        <source>%1 Existe déjà</source>
        <translation>%1 already exists</translation>
    </message>
    <message>
        <source>Une autre création écrit déjà %1 dans %2</source>
        <translation>Another run is already writing %1 in %2</translation>
    </message>
</context>
<context>
    <name>SphereChoices</name>
    <message>
        <source>À plat</source>
        <translation>Flat</translation>
    </message>
    <message>
        <source>Cylindrique</source>
        <translation>Cylindrical</translation>
    </message>
    <message>
        <source>Équirectangulaire</source>
        <translation>Equirectangular</translation>
    </message>
    <message>
        <source>Perspective</source>
        <translation>Perspective</translation>
    </message>
    <message>
        <source>Petite planète</source>
        <translation>Little planet</translation>
    </message>
    <message>
        <source>Projection du panorama Incorrecte</source>
        <translation>Invalid panorama projection</translation>
    </message>
    <message>
        <source>Vue Incorrecte</source>
        <translation>Invalid view</translation>
    </message>
    <message>
        <source>La boucle 360° demande un tour complet : le panorama en couvre %1°</source>
        <translation>A 360° loop needs a full turn: the panorama covers %1°</translation>
    </message>
    <message>
        <source>Les vues Perspective et Petite planète demandent un panorama Cylindrique ou Équirectangulaire</source>
        <translation>The Perspective and Little planet views need a Cylindrical or Equirectangular panorama</translation>
    </message>
    <message>
        <source>Valeur de Champ de vision Incorrecte (plus de 0 et moins de %1)</source>
        <translation>Invalid field of view (more than 0 and less than %1)</translation>
    </message>
    <message>
        <source>Valeur d&apos;Inclinaison Incorrecte (de -90 à 90)</source>
        <translation>Invalid pitch (-90 to 90)</translation>
    </message>
    <message>
        <source>Les métadonnées Photo Sphere de l&apos;image ne conviennent pas à cette projection : %1</source>
        <translation>The picture&apos;s Photo Sphere metadata does not suit this projection: %1</translation>
    </message>
    <message>
        <source>Cette projection ne convient pas à l&apos;image : %1</source>
        <translation>This projection does not suit the picture: %1</translation>
    </message>
    <message>
        <source>Placé selon ses métadonnées Photo Sphere</source>
        <translation>Placed by its Photo Sphere metadata</translation>
    </message>
    <message>
        <source>Placé selon ses métadonnées Photo Sphere, couvre %1° du tour</source>
        <translation>Placed by its Photo Sphere metadata, covering %1° of the turn</translation>
    </message>
    <message>
        <source>L&apos;image entière fait le tour</source>
        <translation>The whole picture is one full turn</translation>
    </message>
</context>
<context>
    <name>TAboutBox</name>
    <message>
        <source>A propos</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Logiciel gratuit, fourni tel quel et sans garantie. Vous pouvez le copier et le distribuer librement, sans le modifier ni le vendre.</source>
        <translation>Free software, provided as is, without warranty. You may copy and share it freely, as long as you neither change nor sell it.</translation>
    </message>
    <message>
        <source>Cette version est une pré-version en cours de test. Travaillez toujours sur des copies de vos documents originaux.</source>
        <translation>This version is a pre-release being tested. Always work on copies of your original documents.</translation>
    </message>
    <message>
        <source>© L&apos;équipe Travelia. Tous droits réservés.</source>
        <translation>© The Travelia team. All rights reserved.</translation>
    </message>
</context>
<context>
    <name>TDlgYesAllNo</name>
    <message>
        <source>Ecraser le Fichier Existant ?</source>
        <translation>Replace the Existing File?</translation>
    </message>
    <message>
        <source>Oui</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Oui pourTous</source>
        <translation>Yes to All</translation>
    </message>
    <message>
        <source>Non</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Stop !!!</source>
        <translation>Stop!</translation>
    </message>
</context>
<context>
    <name>TFormHelp</name>
    <message>
        <source>Aide</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>TFormMain</name>
    <message>
        <source>Réglages non effacés : %1</source>
        <translation>Settings not cleared: %1</translation>
    </message>
    <message>
        <source>Réglages non enregistrés : %1</source>
        <translation>Settings not saved: %1</translation>
    </message>
    <message>
        <source>Ouvrir Image</source>
        <translation>Open Picture</translation>
    </message>
    <message>
        <source>Visualisation</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Temporisation (ms):</source>
        <translation>Delay (ms):</translation>
    </message>
    <message>
        <source>Erreur inconnue</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>Panneau de Commande</source>
        <translation>Control Panel</translation>
    </message>
</context>
<context>
    <name>TFormOpAvi</name>
    <message>
        <source>Options Avi:</source>
        <translation>AVI Options</translation>
    </message>
    <message>
        <source>Images par Seconde</source>
        <translation>Frames per Second</translation>
    </message>
    <message>
        <source>Qualité</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>Ouvrir le compresseur</source>
        <translation>Open the compressor</translation>
    </message>
    <message>
        <source>Nbre d&apos;images par seconde: </source>
        <translation>Frames per second: </translation>
    </message>
    <message>
        <source>Ok..</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Choisissez un Compresseur</source>
        <translation>Choose a Compressor</translation>
    </message>
    <message>
        <source>Compresseur choisi</source>
        <translation>Compressor chosen</translation>
    </message>
    <message>
        <source>Nombre d&apos;Images par seconde: %1</source>
        <translation>Frames per second: %1</translation>
    </message>
    <message>
        <source>Qulaité (0 à 10000) : %1</source>
        <translation>Quality (0 to 10000): %1</translation>
    </message>
    <message>
        <source>Sans Compression</source>
        <translation>Uncompressed</translation>
    </message>
    <message>
        <source>Compression des Fichiers AVI:</source>
        <translation>AVI File Compression</translation>
    </message>
    <message>
        <source>Images par Seconde:</source>
        <translation>Frames per second:</translation>
    </message>
    <message>
        <source>Qualité:</source>
        <translation>Quality:</translation>
    </message>
</context>
<context>
    <name>TFormOpCamera</name>
    <message>
        <source>Sons (*.mp3 *.m4a *.aac *.ogg *.opus *.flac *.wav);;Tous les fichiers (*)</source>
        <translation>Sounds (*.mp3 *.m4a *.aac *.ogg *.opus *.flac *.wav);;All files (*)</translation>
    </message>
    <message>
        <source>Options Caméra</source>
        <translation>Camera Options</translation>
    </message>
    <message>
        <source>selon le pas</source>
        <translation>from the step</translation>
    </message>
    <message>
        <source>Mouvement adouci</source>
        <translation>Smooth motion</translation>
    </message>
    <message>
        <source>Musique...</source>
        <translation>Music...</translation>
    </message>
    <message>
        <source>Ok..</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Taille de sortie:</source>
        <translation>Output size:</translation>
    </message>
    <message>
        <source>Largeur de sortie:</source>
        <translation>Output width:</translation>
    </message>
    <message>
        <source>Hauteur de sortie:</source>
        <translation>Output height:</translation>
    </message>
    <message>
        <source>Durée d&apos;un passage (s):</source>
        <translation>Pass duration (s):</translation>
    </message>
    <message>
        <source>Pause aux extrémités (s):</source>
        <translation>Pause at each end (s):</translation>
    </message>
    <message>
        <source>Musique</source>
        <translation>Music</translation>
    </message>
    <message>
        <source>Musique choisie</source>
        <translation>Chosen music</translation>
    </message>
    <message>
        <source>Passage</source>
        <translation>Pass</translation>
    </message>
    <message>
        <source>(aucune)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>selon la vue</source>
        <translation>as the view has it</translation>
    </message>
    <message>
        <source>Projection du panorama:</source>
        <translation>Panorama projection:</translation>
    </message>
    <message>
        <source>Vue:</source>
        <translation>View:</translation>
    </message>
    <message>
        <source>Champ de vision (°):</source>
        <translation>Field of view (°):</translation>
    </message>
    <message>
        <source>Inclinaison (°):</source>
        <translation>Pitch (°):</translation>
    </message>
    <message>
        <source>Projection</source>
        <translation>Projection</translation>
    </message>
</context>
<context>
    <name>TFormOpJpeg</name>
    <message>
        <source>Options Jpeg</source>
        <translation>JPEG Options</translation>
    </message>
    <message>
        <source>Décalage horizontal de l&apos;aperçu</source>
        <translation>Preview horizontal offset</translation>
    </message>
    <message>
        <source>Décalage vertical de l&apos;aperçu</source>
        <translation>Preview vertical offset</translation>
    </message>
    <message>
        <source>Qualité de Compression:</source>
        <translation>Compression quality:</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>Encoder en JPEG Progressif</source>
        <translation>Progressive JPEG</translation>
    </message>
    <message>
        <source>Sauver en Niveaux de Gris</source>
        <translation>Save in Grayscale</translation>
    </message>
    <message>
        <source>Désactiver le Sous Echantillonage Horizontal</source>
        <translation>No Horizontal Subsampling</translation>
    </message>
    <message>
        <source>Désactiver le Sous Echantillonage Vertical</source>
        <translation>No Vertical Subsampling</translation>
    </message>
    <message>
        <source>&gt;&gt; Voir   &gt;&gt;</source>
        <translation>&gt;&gt; Show   &gt;&gt;</translation>
    </message>
    <message>
        <source>Options de Lecture:</source>
        <translation>Reading options:</translation>
    </message>
    <message>
        <source>Lissage</source>
        <translation>Smoothing</translation>
    </message>
    <message>
        <source>Affichage Progressif</source>
        <translation>Progressive Display</translation>
    </message>
    <message>
        <source>Format des pixels</source>
        <translation>Pixel format</translation>
    </message>
    <message>
        <source>Pleine Taille</source>
        <translation>Full Size</translation>
    </message>
    <message>
        <source>Demie Taille</source>
        <translation>Half Size</translation>
    </message>
    <message>
        <source>Quart de Taille</source>
        <translation>Quarter Size</translation>
    </message>
    <message>
        <source>Huitième de Taille</source>
        <translation>Eighth Size</translation>
    </message>
    <message>
        <source>Taille de lecture</source>
        <translation>Reading size</translation>
    </message>
    <message>
        <source>Qualité</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>Vitesse</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>Méthode de lecture</source>
        <translation>Reading method</translation>
    </message>
    <message>
        <source>Défaut</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFormOpVideo</name>
    <message>
        <source>Par défaut</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>FFV1 (sans perte)</source>
        <translation>FFV1 (lossless)</translation>
    </message>
    <message>
        <source>WebP sans perte : la qualité règle l&apos;effort de compression (0 rapide, 100 fichier le plus petit)</source>
        <translation>Lossless WebP: the quality sets the compression effort (0 fast, 100 smallest file)</translation>
    </message>
    <message>
        <source>Options Vidéo</source>
        <translation>Video Options</translation>
    </message>
    <message>
        <source>au choix de l&apos;encodeur</source>
        <translation>the encoder&apos;s choice</translation>
    </message>
    <message>
        <source>celui de l&apos;encodeur</source>
        <translation>the encoder&apos;s own</translation>
    </message>
    <message>
        <source>WebP sans perte</source>
        <translation>Lossless WebP</translation>
    </message>
    <message>
        <source>Ok..</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Conteneur:</source>
        <translation>Container:</translation>
    </message>
    <message>
        <source>Codec:</source>
        <translation>Codec:</translation>
    </message>
    <message>
        <source>Qualité (0 à 100):</source>
        <translation>Quality (0 to 100):</translation>
    </message>
    <message>
        <source>Une image clé toutes les (images):</source>
        <translation>A key frame every (frames):</translation>
    </message>
    <message>
        <source>Images par seconde:</source>
        <translation>Frames per second:</translation>
    </message>
    <message>
        <source>Préréglage de vitesse:</source>
        <translation>Speed preset:</translation>
    </message>
</context>
<context>
    <name>TFormVideoPlayer</name>
    <message>
        <source>Lecture</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Fermer</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Position dans la vidéo</source>
        <translation>Position in the video</translation>
    </message>
    <message>
        <source>Temps</source>
        <translation>Time</translation>
    </message>
</context>
<context>
    <name>TFormView</name>
    <message>
        <source>Jouer</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>A partir de:</source>
        <translation>From frame:</translation>
    </message>
    <message>
        <source>Vérifier l&apos;animation</source>
        <translation>Play the Animation</translation>
    </message>
    <message>
        <source>Ouvrir</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Fermer</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Jouer en Boucle</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>Images de la série</source>
        <translation>Frames of the series</translation>
    </message>
</context>
<context>
    <name>TFormencours</name>
    <message>
        <source>Enregistrement en cours...</source>
        <translation>Saving...</translation>
    </message>
    <message>
        <source>Patientez ... La compression peut être longue ...</source>
        <translation>Please wait... Compression may take a while...</translation>
    </message>
</context>
<context>
    <name>TimeLeft</name>
    <message>
        <source>Temps restant : calcul...</source>
        <translation>Time left: estimating...</translation>
    </message>
    <message>
        <source>Temps restant : %1</source>
        <translation>Time left: %1</translation>
    </message>
</context>
<context>
    <name>VideoSink</name>
    <message>
        <source>Frame %1 / %2 - Disque Libre %3 Ko</source>
        <translation>Frame %1 / %2 - Free disk %3 KB</translation>
    </message>
</context>
</TS>
