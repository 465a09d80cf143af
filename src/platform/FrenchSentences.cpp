#include "platform/MessageSentences.h"

#include <QtGlobal>

// The window's own sentences made by code that knows no window, as they
// are written there: the English ones are in translations/travelia_en.ts.
// A new sentence of that kind is added here, then lupdate finds it.
std::span<const MessageSentence> FrenchSentences()
{
    static const MessageSentence sentences[] = {
        { "TFormMain", QT_TRANSLATE_NOOP("TFormMain", "Réglages non effacés : %1") },
        { "TFormMain", QT_TRANSLATE_NOOP("TFormMain", "Réglages non enregistrés : %1") },
        { "TFormMain", QT_TRANSLATE_NOOP("TFormMain", "Ouvrir Image") },
        { "HelpText", QT_TRANSLATE_NOOP("HelpText", "Impossible de lire le Fichier d'Aide: '%1' (%2)") },
        { "LanguageChoice", QT_TRANSLATE_NOOP("LanguageChoice", "Langue non enregistrée : %1") },
        { "TFormMain", QT_TRANSLATE_NOOP("TFormMain", "Visualisation") },
        { "TFormMain", QT_TRANSLATE_NOOP("TFormMain", "Temporisation (ms):") },
        { "TFormMain", QT_TRANSLATE_NOOP("TFormMain", "Erreur inconnue") },
        { "RememberedSettings",
            QT_TRANSLATE_NOOP("RememberedSettings", "%1 : écriture impossible (accès refusé ou disque plein)") },
        { "RememberedSettings", QT_TRANSLATE_NOOP("RememberedSettings", "%1 : fichier de réglages illisible") },
        { "PictureOpening", QT_TRANSLATE_NOOP("PictureOpening", "Chargement annulé") },
        { "PictureOpening", QT_TRANSLATE_NOOP("PictureOpening", "Image non chargée : %1") },
        { "PictureLoadFeedback", QT_TRANSLATE_NOOP("PictureLoadFeedback", "Chargement de %1 : %2 %") },
        { "BrowseForFolder", QT_TRANSLATE_NOOP("BrowseForFolder", "Création de Dossier") },
        { "BrowseForFolder", QT_TRANSLATE_NOOP("BrowseForFolder", "Nouveau Dossier:") },
        { "BrowseForFolder", QT_TRANSLATE_NOOP("BrowseForFolder", "Le Dossier Existe déjà") },
        { "TFormView", QT_TRANSLATE_NOOP("TFormView", "Jouer") },
        { "TFormView", QT_TRANSLATE_NOOP("TFormView", "A partir de:") },
        { "SaveAsCommand", QT_TRANSLATE_NOOP("SaveAsCommand", "Enregistrer Image") },
        { "EnsureFolder", QT_TRANSLATE_NOOP("EnsureFolder", "Impossible de créer Le Dossier: '%1'") },
        { "EnsureFolder", QT_TRANSLATE_NOOP("EnsureFolder", "Création du Répertoire?") },
        { "EnsureFolder", QT_TRANSLATE_NOOP("EnsureFolder", "Erreur") },
        { "FrameFile", QT_TRANSLATE_NOOP("FrameFile", "Ecraser le Fichier ?") },
        { "SaveFailureText", QT_TRANSLATE_NOOP("SaveFailureText", "Impossible d'enregistrer '%1'\n%2") },
        { "AnimationRun", QT_TRANSLATE_NOOP("AnimationRun", "Impossible de créer une image de %1 * %2 pixels") },
        { "RunEndText", QT_TRANSLATE_NOOP("RunEndText", "%1 - arrêté : %2 image(s) enregistrée(s)") },
        { "RunCommands", QT_TRANSLATE_NOOP("RunCommands", "%1 - %2 image(s) non enregistrée(s)") },
        { "RunCommands", QT_TRANSLATE_NOOP("RunCommands", "%1 est l'image en cours de lecture : rien n'a été écrit") },
        { "RunCommands", QT_TRANSLATE_NOOP("RunCommands", "Le dossier %1 n'existe plus") },
        { "RunCommands",
            QT_TRANSLATE_NOOP("RunCommands", "Impossible d'ouvrir le dossier %1 dans le gestionnaire de fichiers") },
        { "SettingsPanel", QT_TRANSLATE_NOOP("SettingsPanel", "Aucune Image Chargée") },
        { "SettingsPanel", QT_TRANSLATE_NOOP("SettingsPanel", "Valeur de Largeur Incorrecte") },
        { "SettingsPanel", QT_TRANSLATE_NOOP("SettingsPanel", "Valeur de Hauteur Incorrecte") },
        { "SettingsPanel", QT_TRANSLATE_NOOP("SettingsPanel", "Valeur de Pas Incorrecte") },
        { "SettingsPanel",
            QT_TRANSLATE_NOOP("SettingsPanel", "OUI: Rechercher le prochain Nom de Fichier Libre?    NON: Ecraser") },
        { "SettingsPanel", QT_TRANSLATE_NOOP("SettingsPanel", "%1 Existe déjà") },
        { "SettingsPanel", QT_TRANSLATE_NOOP("SettingsPanel", "Une autre création écrit déjà %1 dans %2") },
        { "TFormOpAvi", QT_TRANSLATE_NOOP("TFormOpAvi", "Compression des Fichiers AVI:") },
        { "TFormOpAvi", QT_TRANSLATE_NOOP("TFormOpAvi", "Images par Seconde:") },
        { "TFormOpAvi", QT_TRANSLATE_NOOP("TFormOpAvi", "Qualité:") },
        { "CameraChoices", QT_TRANSLATE_NOOP("CameraChoices", "Carré (1080 × 1080)") },
        { "CameraChoices", QT_TRANSLATE_NOOP("CameraChoices", "Personnalisée") },
        { "CameraChoices", QT_TRANSLATE_NOOP("CameraChoices", "Taille de sortie Incorrecte") },
        { "CameraChoices", QT_TRANSLATE_NOOP("CameraChoices", "Valeur de Largeur de sortie Incorrecte (de %1 à %2)") },
        { "CameraChoices", QT_TRANSLATE_NOOP("CameraChoices", "Valeur de Hauteur de sortie Incorrecte (de %1 à %2)") },
        { "CameraChoices", QT_TRANSLATE_NOOP("CameraChoices", "Valeur de Durée d'un passage Incorrecte") },
        { "CameraChoices", QT_TRANSLATE_NOOP("CameraChoices", "Valeur de Pause aux extrémités Incorrecte") },
        { "CameraChoices",
            QT_TRANSLATE_NOOP("CameraChoices", "Un passage : %1 s (%2 images à %3 images par seconde)") },
        // Without its full stop: it ends a text of two lines, whose stop is
        // set apart before the lines are.
        { "CameraChoices",
            QT_TRANSLATE_NOOP("CameraChoices",
                "Il traverse l'image en %1 s : sous 7 s le défilement saccade. Une durée de %2 s serait fluide") },
        { "TimeLeft", QT_TRANSLATE_NOOP("TimeLeft", "Temps restant : calcul...") },
        { "TimeLeft", QT_TRANSLATE_NOOP("TimeLeft", "Temps restant : %1") },
        { "VideoSink", QT_TRANSLATE_NOOP("VideoSink", "Frame %1 / %2 - Disque Libre %3 Ko") },
        { "RunLengthText", QT_TRANSLATE_NOOP("RunLengthText", "%1 images, %2 à %3 i/s") },
        { "RunLengthText", QT_TRANSLATE_NOOP("RunLengthText", "%1 image, %2 à %3 i/s") },
        { "RunLengthText", QT_TRANSLATE_NOOP("RunLengthText", "%1 images") },
        { "RunLengthText", QT_TRANSLATE_NOOP("RunLengthText", "%1 image") },
        { "RunLengthText", QT_TRANSLATE_NOOP("RunLengthText", "aucune image") },
    };
    return sentences;
}
