<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>FrameFile</name>
    <message>
        <source>not replaced</source>
        <translation>non remplacé</translation>
    </message>
    <message>
        <source>exists already</source>
        <translation>existe déjà</translation>
    </message>
    <message>
        <source>is the picture being read</source>
        <translation>est l&apos;image en cours de lecture</translation>
    </message>
    <message>
        <source>JPEG is limited to 65,500 pixels a side</source>
        <translation>le JPEG est limité à 65 500 pixels de côté</translation>
    </message>
    <message>
        <source>JPEG encoder error</source>
        <translation>erreur de l&apos;encodeur JPEG</translation>
    </message>
    <message>
        <source>write error</source>
        <translation>erreur d&apos;écriture</translation>
    </message>
</context>
<context>
    <name>GuiRunFeedback</name>
    <message>
        <source>%1 - finishing %2 queued frames</source>
        <translation>%1 - fin des %2 images en attente</translation>
    </message>
</context>
<context>
    <name>InputFile</name>
    <message>
        <source>not found</source>
        <translation>introuvable</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>file too large</source>
        <translation>fichier trop volumineux</translation>
    </message>
    <message>
        <source>the file changed while it was read</source>
        <translation>le fichier a changé pendant sa lecture</translation>
    </message>
    <message>
        <source>read error: %1</source>
        <translation>erreur de lecture : %1</translation>
    </message>
    <message>
        <source>read error</source>
        <translation>erreur de lecture</translation>
    </message>
</context>
<context>
    <name>PictureError</name>
    <message>
        <source>unknown format</source>
        <translation>format inconnu</translation>
    </message>
    <message>
        <source>damaged data</source>
        <translation>données endommagées</translation>
    </message>
    <message>
        <source>damaged data (%1)</source>
        <translation>données endommagées (%1)</translation>
    </message>
    <message>
        <source>too large</source>
        <translation>trop grande</translation>
    </message>
    <message>
        <source>too large (%1)</source>
        <translation>trop grande (%1)</translation>
    </message>
    <message>
        <source>file too short for its announced size</source>
        <translation>fichier trop court pour la taille annoncée</translation>
    </message>
    <message>
        <source>file too short for its announced size (%1)</source>
        <translation>fichier trop court pour la taille annoncée (%1)</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>mémoire insuffisante</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>interrompu</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>erreur inconnue</translation>
    </message>
</context>
<context>
    <name>SystemError</name>
    <message>
        <source>Permission denied</source>
        <translation>Permission refusée</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>Opération non permise</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Plus de place sur le disque</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Quota de disque dépassé</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Fichier trop volumineux</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>Fichier ou dossier introuvable</translation>
    </message>
    <message>
        <source>File exists</source>
        <translation>Le fichier existe</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>Est un dossier</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>N&apos;est pas un dossier</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Système de fichiers en lecture seule</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Erreur d&apos;entrée/sortie</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>Nom de fichier trop long</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>Trop de fichiers ouverts</translation>
    </message>
    <message>
        <source>Cannot allocate memory</source>
        <translation>Impossible d&apos;allouer de la mémoire</translation>
    </message>
</context>
<context>
    <name>VideoEncoder</name>
    <message>
        <source>%1 needs an even width and height (4:2:0), not %2</source>
        <translation>%1 demande une largeur et une hauteur paires (4:2:0), pas %2</translation>
    </message>
    <message>
        <source>%1 needs an even width and height</source>
        <translation>%1 demande une largeur et une hauteur paires</translation>
    </message>
    <message>
        <source>%1 failed: %2</source>
        <translation>échec de %1 : %2</translation>
    </message>
    <message>
        <source>the compressor &apos;%1&apos;</source>
        <translation>le compresseur &apos;%1&apos;</translation>
    </message>
    <message>
        <source>it is the picture being read</source>
        <translation>c&apos;est l&apos;image en cours de lecture</translation>
    </message>
</context>
<context>
    <name>VideoOutput</name>
    <message>
        <source>Cannot write the video file: %1</source>
        <translation>Impossible d&apos;écrire le fichier vidéo : %1</translation>
    </message>
    <message>
        <source>Cannot write the video file %1: %2</source>
        <translation>Impossible d&apos;écrire le fichier vidéo %1 : %2</translation>
    </message>
    <message>
        <source>Cannot write the GIF file: %1</source>
        <translation>Impossible d&apos;écrire le fichier GIF : %1</translation>
    </message>
    <message>
        <source>Cannot write the GIF file %1: %2</source>
        <translation>Impossible d&apos;écrire le fichier GIF %1 : %2</translation>
    </message>
    <message>
        <source>Cannot write the WebP file: %1</source>
        <translation>Impossible d&apos;écrire le fichier WebP : %1</translation>
    </message>
    <message>
        <source>Cannot write the WebP file %1: %2</source>
        <translation>Impossible d&apos;écrire le fichier WebP %1 : %2</translation>
    </message>
    <message>
        <source>%1 frames kept in %2</source>
        <translation>%1 images conservées dans %2</translation>
    </message>
    <message>
        <source>Failed to set AVI stream format</source>
        <translation>Format du flux AVI refusé</translation>
    </message>
    <message>
        <source>Failed to create AVI Compressed stream</source>
        <translation>Impossible de créer le flux AVI compressé</translation>
    </message>
    <message>
        <source>Failed to create AVI file</source>
        <translation>Impossible de créer le fichier AVI</translation>
    </message>
    <message>
        <source>Failed to add frame to AVI</source>
        <translation>Impossible d&apos;ajouter une image au fichier AVI</translation>
    </message>
    <message>
        <source>Cannot read the video file %1: %2</source>
        <translation>Impossible de lire le fichier vidéo %1 : %2</translation>
    </message>
</context>
</TS>
