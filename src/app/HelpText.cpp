#include "app/HelpText.h"

const std::vector<std::string> &BuiltInHelpLines()
{
    static const std::vector<std::string> lines = {
        "' Travelia '    !!! Version Beta  Windows versions 98 et ultérieure !!! ",
        "",
        "Travelia est écrit et maintenu par l'équipe Travelia.",
        "Ce programme est distribué gratuitement, tel quel, sans aucune garantie.",
        "Vous pouvez l'utiliser et le copier librement, sans le modifier ni le vendre.",
        "Contact: écrivez à l'équipe Travelia par la page du projet.",
        "Mises à jour: consultez la page du projet pour la dernière version.",
        "Merci de nous signaler les erreurs rencontrées et vos idées d'amélioration.",
        "",
        "",
        "Attention: Sauvegardez vos données avant de les traiter",
        "Le programme est en développement: (vérifiez les mises à jour)",
        "",
        "",
        "BUT du PROGRAMME:",
        "Créer une animation faisant défiler une image panorama.  ",
        "",
        "",
        "MODE d'EMPLOI RAPIDE:",
        "Dans le panneau de commande de haut en bas",
        "",
        "1>Ouvrir le fichier image panorama  (format BMP ou JPG)",
        "",
        "2>Choisir les dimensions de chaque vue de l'animation a créer.",
        "",
        "3> Choisir les options de défilement",
        "- \"Défilement Horizontal\" ou \"Défilement Vertical\"",
        "- le  nombre de pixels dont défile le panorama entre chaque nouvelle image de l'animation",
        "- le sens de défilement : quand coché: défilement Gauche vers Droite (versus Haut Bas en Vertical)",
        std::string(48, ' ') + "sinon, défilement  en sens inverse",
        "- si l'on veut une animation \"Aller-Retour\"",
        "",
        "4>Choisir les options d'enregistrement",
        "- type de fichiers à créer:",
        "BMP et JPEG  : on enregistre chaque image séparément dans un même répertoire",
        "ensuite, assemblez ces images en un seul fichier AVI ou autre animation avec un logiciel vidéo de votre choix",
        "AVI: creation d'un fichier animation AVI, compressé ou non compressé",
        "         Différentes options sont disponibles.",
        "         Les formats de compressions disponibles dépendent des logiciels que vous avez installés.",
        "",
        "!!!! ATTENTION !!!! : Prévoyez de la place sur votre disque dur !!!",
        "Si vos images de part sont de taille importante, vous risquez de le saturer",
        "",
        "5> Cliquer sur le bouton \"Tester\" pour Visualiser l'animation sans rien sauvegarder",
        "   Cliquer sur le bouton \"Créer\" pour lancer la création des images",
        "",
        "6> Le Bouton \"Vérifier\" permet de visualiser une animation déja créée sous la forme d'un répertoire "
        "d'images",
        "    Pas de visu des fichiers AVI créés pour l'instant..",
        "",
        "7>  STOP: permet d'arrêter le processus",
        "",
        "8>  \"Click Droit\" dans l'image permet d'accéder à un menu contextuel pour régler différents paramètres "
        "d'affichage",
    };
    return lines;
}

std::string HelpReplacementPath(const std::string &programPath)
{
    const auto dot = programPath.find('.');
    return (dot == std::string::npos ? programPath : programPath.substr(0, dot)) + ".TXT";
}
