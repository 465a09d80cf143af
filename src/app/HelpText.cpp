#include "app/HelpText.h"

#include "common/InputFile.h"
#include "common/ProgramInfo.h"

#include <cstdint>

const std::vector<std::string> &BuiltInHelpLines()
{
    static const std::vector<std::string> lines = {
        std::string(kProgramTitle) + " : aide",
        "",
        "Travelia est écrit et maintenu par l'équipe Travelia.",
        "Ce programme est distribué gratuitement, tel quel, sans aucune garantie.",
        "Vous pouvez l'utiliser et le copier librement, sans le modifier ni le vendre.",
        "Contact: écrivez à l'équipe Travelia par la page du projet.",
        "Mises à jour: consultez la page du projet pour la dernière version.",
        "Merci de nous signaler les erreurs rencontrées et vos idées d'amélioration.",
        "",
        "",
        "BUT du PROGRAMME:",
        "Créer une animation qui fait défiler une image panorama, large ou haute : la jouer dans la fenêtre,",
        "l'enregistrer en une série d'images numérotées ou en un seul fichier vidéo.",
        "",
        "",
        "MODE d'EMPLOI RAPIDE:",
        "Dans le panneau de commande de haut en bas",
        "",
        "1> Ouvrir l'image panorama (Fichier > Ouvrir..., Ctrl+O, le bouton dossier du panneau, ou en la déposant",
        "   sur la fenêtre) : BMP, JPEG, PNG, TIFF, GIF, Targa, PCX... Une image qui ne se charge pas laisse",
        "   la précédente en place et la ligne d'état dit pourquoi; Echap interrompt un chargement long.",
        "",
        "2> Choisir les dimensions de chaque image de l'animation (Largeur, Hauteur). Elles suivent l'image",
        "   ouverte (4:3 de sa hauteur) tant qu'on ne les tape pas; \"Revenir aux Valeurs par Défaut\" les",
        "   fait suivre l'image de nouveau.",
        "",
        "3> Choisir le défilement :",
        "- \"Horizontal\" ou \"Vertical\" (choisi d'après la forme de l'image à l'ouverture)",
        "- le pas : le nombre de pixels dont le panorama défile entre deux images",
        "- \"G->D / H->B\" : coché, de gauche à droite (de haut en bas en vertical), sinon en sens inverse",
        "- \"Aller et Retour\" : l'animation revient à son point de départ",
        "- \"Centrer l'Image\" : une image plus petite que la vue est centrée",
        "- \"Panorama 360° (boucle)\" : le panorama fait un tour complet; la vue passe le bord et repart",
        "  de l'autre côté, un tour compte round(longueur / pas) images et la dernière mène à la première",
        "  sans raccord (pas de retour). Pour tous les formats, et pour \"Tester\".",
        "",
        "4> Choisir l'enregistrement :",
        "- \"Déplacer vers:\" : le dossier de base (sinon celui de l'image), \"Sous Répertoire:\" (./anim),",
        "  \"Renommer:\" (IMAGE, ANIM pour un fichier vidéo), la numérotation.",
        "- Format d'Enregistrement :",
        "  BMP, JPG, PNG : une série d'images numérotées IMAGE0000.BMP, IMAGE0001.BMP... dans un même dossier,",
        "                 que les logiciels de montage importent comme séquence d'images (TIFF : par la ligne",
        "                 de commande).",
        "  AVI : un seul fichier ANIM0000.AVI, non compressé ou compressé (Options AVI : images par seconde,",
        "        10 par défaut, qualité de 0 à 10000, compresseur parmi ceux de cette machine).",
        "  Vidéo : un seul fichier, réglé dans \"Options Vidéo\" :",
        "        MP4 (H.264, H.265 ou AV1), WebM (VP9 ou AV1), MKV (FFV1, sans perte),",
        "        GIF (une palette pour toute l'animation) ou WebP animé (avec ou sans perte).",
        "- Options JPEG : qualité (5 à 100, tapée ou par + et -), sous-échantillonnage, progressif, niveaux de",
        "  gris, et la lecture des JPEG; l'aperçu montre l'image avant et après.",
        "- Options Vidéo : conteneur, codec, qualité de 0 (fichier le plus petit) à 100 (meilleure image),",
        "  une image clé toutes les N images, images par seconde (30 par défaut), préréglage de vitesse de",
        "  l'encodeur. Les champs que le fichier choisi ignore sont grisés (images clés et préréglage pour GIF,",
        "  préréglage pour WebP, qualité pour FFV1); en WebP sans perte, la qualité règle l'effort de compression.",
        "- Options Caméra : taille de sortie (Panorama 1:1, 720p, 1080p, 1440p, 2160p, Vertical, Carré ou",
        "  Personnalisée; le panorama est mis à l'échelle une fois), durée d'un passage en secondes, mouvement",
        "  adouci, pause aux extrémités, musique des fichiers vidéo. La fenêtre montre la durée d'un passage et",
        "  conseille une durée plus longue quand l'image défile trop vite (saccades).",
        "  Pour un panorama 360° : \"Projection du panorama\" (À plat, Cylindrique, Équirectangulaire; proposée",
        "  d'après les métadonnées Photo Sphere de l'image, ou Équirectangulaire pour une image deux fois plus",
        "  large que haute), \"Vue\" (À plat : les images sont découpées comme d'habitude; Perspective; Petite",
        "  planète, qui regarde vers le bas), \"Champ de vision (°)\" et \"Inclinaison (°)\". Une vue tourne dans le",
        "  panorama (1920 × 1080 sans taille de sortie choisie); la fenêtre principale montre sa première image.",
        "  La boucle 360° d'un panorama qui ne fait pas le tour complet est refusée.",
        "- Dans les fenêtres d'options, OK garde les changements; Annuler ou Echap reprend ceux faits depuis",
        "  l'ouverture de la fenêtre.",
        "",
        "!!!! ATTENTION !!!! : Prévoyez de la place sur votre disque dur !!!",
        "Une série d'images de grande taille peut le remplir; une série s'arrête à la première image qui ne",
        "trouve plus de place, et aucun fichier existant n'est remplacé sans votre accord.",
        "",
        "5> \"Tester\" (F5) joue l'animation dans la fenêtre sans rien enregistrer : au rythme du fichier",
        "   (images par seconde) pour AVI et Vidéo, sinon avec la temporisation (Options > Temporisation).",
        "   \"Créer\" enregistre l'animation; \"Tester le Nom de Fichier\" montre le nom du premier fichier",
        "   que \"Créer\" écrira.",
        "",
        "6> \"Vérifier\" rejoue l'animation créée : après une série d'images, la visionneuse la liste et la joue",
        "   depuis sa première image (son bouton Ouvrir choisit une autre série); après un fichier AVI ou",
        "   vidéo, un petit lecteur le joue à son rythme (Lecture, Pause, position, Fermer).",
        "",
        "7> STOP : arrête l'animation en cours; la fenêtre sort du plein écran telle qu'elle était.",
        "",
        "8> \"Click Droit\" dans l'image, ou Echap, ouvre un menu contextuel (Stop, plein écran, centrage...).",
        "",
        "RACCOURCIS CLAVIER:",
        "Ctrl+O Ouvrir, Ctrl+S Enregister Sous, Ctrl+Q Quitter, F5 Tester, F11 Plein Ecran (entrer et sortir),",
        "F1 Aide, Echap menu contextuel. Alt + la lettre soulignée atteint chaque menu et chaque commande.",
        "",
        "REGLAGES:",
        "Le programme retient d'une fois sur l'autre le format, les dossiers, les dimensions, le défilement,",
        "les options JPEG, Vidéo, AVI et Caméra, la temporisation, la place de la fenêtre (jamais le plein écran) et la",
        "langue choisie dans Options > Langue (elle vaut au prochain démarrage).",
        "Options > Réinitialiser les réglages les oublie et revient aux valeurs par défaut.",
        "",
        "LIGNE DE COMMANDE:",
        "travelia-cli fait le même travail sans fenêtre (travelia-cli --help, man travelia-cli) :",
        "   travelia-cli [options] PANORAMA",
        "Images et défilement (la caméra) :",
        "   -W, --width N / -H, --height N   dimensions des images (par défaut celles du panneau)",
        "   -s, --step N                     pixels entre deux images (1 ; fractions admises)",
        "   --size LxH                       taille des images en sortie ; aussi 720p, 1080p, 1440p, 2160p,",
        "                                    vertical (1080 x 1920), square (1080 x 1080) : le panorama est réduit",
        "   --duration S                     durée d'un passage, en secondes, au rythme --rate",
        "   --ease linear|smooth             mouvement régulier, ou qui démarre et s'arrête en douceur",
        "   --hold S                         pause de S secondes à chaque bout d'un passage",
        "   --for youtube|shorts|reels|tiktok  un fichier MP4 H.264 aux réglages du site",
        "   --horizontal / --vertical        sens du défilement (d'après la forme de l'image)",
        "   --reverse                        de droite à gauche, ou de bas en haut",
        "   --one-way                        sans retour",
        "   --loop360                        panorama 360° en boucle",
        "   --no-center                      une image plus petite que la vue n'est pas centrée",
        "Vues 360° (une caméra qui tourne dans le panorama) :",
        "   --input-projection flat|cylindrical|equirectangular  projection de l'image (par défaut : ses",
        "                                    métadonnées Photo Sphere, sinon plate)",
        "   --view rectilinear|stereographic vue perspective, ou « petite planète »",
        "   --fov DEGRÉS                     champ horizontal (90 ; 270 en stéréographique)",
        "   --pitch DEGRÉS                   regard vers le haut (+) ou le bas (-), de -90 à 90",
        "   --intro planet                   ouverture depuis la petite planète jusqu'à l'horizon",
        "Enregistrement :",
        "   -f, --format F                   bmp, jpg, png, tif (série) ou avi, mp4, webm, mkv, gif, webp",
        "   -o, --folder DIR, --subdir NAME, --no-subdir, -n, --name BASE, --start N, --plain-numbers",
        "   --next-free, --overwrite          fichier existant : numéro libre suivant, ou remplacé",
        "AVI : --codec CODE, --rate N (10), --avi-quality N, --list-codecs",
        "Vidéo : --video-codec C, --video-quality N (75), --keyint N, --preset NAME, --lossless, --rate N (30)",
        "   --audio FILE                     musique sous une vidéo MP4, WebM ou MKV, coupée à sa durée",
        "JPEG : --quality N, --grayscale, --progressive, --subsample-h, --subsample-v",
        "PNG et TIFF : --png-level N, --tiff-compression deflate|none",
        "Autres : --test (rien n'est écrit), --threads N, -q, --quiet, -v, --verbose, -h, --help, --version",
        "",
        "Ce texte peut être remplacé par un fichier : le chemin du programme coupé à son premier point, plus",
        "\".TXT\".",
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
