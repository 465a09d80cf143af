#include "app/HelpText.h"

#include "common/InputFile.h"

#include <cstdint>

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

namespace {

// A help text is small; anything larger is not one.
constexpr std::uint64_t kMaxHelpBytes = std::uint64_t(16) << 20;

void appendUtf8(std::string &out, std::uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

bool IsValidUtf8(const std::string &text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned c = p[i];
        int more;
        std::uint32_t code, min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            more = 1, code = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2, code = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3, code = c & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (i + std::size_t(more) >= n)
            return false; // cut short
        for (int k = 1; k <= more; ++k) {
            if ((p[i + std::size_t(k)] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i + std::size_t(k)] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false; // overlong, beyond Unicode, or a surrogate
        i += std::size_t(more) + 1;
    }
    return true;
}

std::string Windows1252ToUtf8(const std::string &text)
{
    // 0x80..0x9F; 0 marks the unassigned bytes.
    static constexpr std::uint16_t kHigh[32] = { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
        0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
        0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80])
            appendUtf8(out, kHigh[c - 0x80]);
        else
            appendUtf8(out, c);
    }
    return out;
}

HelpReplacement ReadHelpReplacement(const std::string &path)
{
    HelpReplacement result;
    InputFile file(path);
    if (!file.isOpen() && file.error() == FileError::NotFound)
        return result;
    const FileBytes bytes(file, kMaxHelpBytes);
    if (!bytes.isOpen()) {
        result.state = HelpReplacement::State::Unreadable;
        result.error = "Impossible de lire le Fichier d'Aide: '" + path + "' ("
            + FileErrorText(bytes.error(), bytes.systemError()) + ")";
        return result;
    }
    std::string text(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    if (IsValidUtf8(text)) {
        if (text.rfind("\xEF\xBB\xBF", 0) == 0)
            text.erase(0, 3);
    } else {
        text = Windows1252ToUtf8(text);
    }
    result.state = HelpReplacement::State::Text;
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        result.lines.push_back(std::move(line));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return result;
}
