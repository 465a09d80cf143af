#include "platform/MessageLanguage.h"

#include "platform/MessageSentences.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

// Causes nest ("Cannot write ...: <encoder> needs ..."): a few levels are
// all the engine makes.
constexpr int kMaxDepth = 6;

struct KnownSentence {
    const MessageSentence *sentence;
    QRegularExpression pattern;
    qsizetype literalLength;
    bool french; // the window's own; else the engine's English
};

// "%1", "%2"... match any text (the shortest that lets the rest match); the
// rest of the sentence matches as it is written.
KnownSentence compile(const MessageSentence &sentence, bool french)
{
    static const QRegularExpression marker(QStringLiteral("%[1-9]"));
    const QString source = QString::fromUtf8(sentence.source);
    QString regex = QStringLiteral("^");
    qsizetype from = 0;
    qsizetype literal = 0;
    for (auto it = marker.globalMatch(source); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        regex += QRegularExpression::escape(source.mid(from, m.capturedStart() - from));
        literal += m.capturedStart() - from;
        regex += QStringLiteral("(.+?)");
        from = m.capturedEnd();
    }
    regex += QRegularExpression::escape(source.mid(from)) + QStringLiteral("$");
    literal += source.size() - from;
    return { &sentence, QRegularExpression(regex, QRegularExpression::DotMatchesEverythingOption), literal, french };
}

// The most specific sentences first: "damaged data (%1)" before "%1: %2".
const std::vector<KnownSentence> &knownSentences()
{
    static const std::vector<KnownSentence> known = [] {
        std::vector<KnownSentence> all;
        for (const MessageSentence &s : FrenchSentences())
            all.push_back(compile(s, true));
        for (const MessageSentence &s : EnglishSentences())
            all.push_back(compile(s, false));
        std::stable_sort(all.begin(), all.end(),
            [](const KnownSentence &a, const KnownSentence &b) { return a.literalLength > b.literalLength; });
        return all;
    }();
    return known;
}

// Puts the parts in place of "%1", "%2"... in one pass: a part holding "%1"
// itself stays as it is.
QString fill(const QString &sentence, const QStringList &parts)
{
    QString out;
    for (qsizetype i = 0; i < sentence.size(); ++i) {
        const QChar c = sentence.at(i);
        if (c == u'%' && i + 1 < sentence.size() && sentence.at(i + 1) >= u'1' && sentence.at(i + 1) <= u'9') {
            const int index = sentence.at(i + 1).unicode() - u'1';
            if (index < parts.size()) {
                out += parts.at(index);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// A part that is exactly a decimal number ("2,0", "-0,5") takes the other
// language's decimal mark; any other part (a path, a version) stays.
QString withDecimalMark(const QString &part, bool frenchToEnglish)
{
    static const QRegularExpression comma(QStringLiteral("^-?[0-9]+,[0-9]+$"));
    static const QRegularExpression point(QStringLiteral("^-?[0-9]+\\.[0-9]+$"));
    if (frenchToEnglish && comma.match(part).hasMatch())
        return QString(part).replace(u',', u'.');
    if (!frenchToEnglish && point.match(part).hasMatch())
        return QString(part).replace(u'.', u',');
    return part;
}

QString translated(const QString &text, int depth);

QString bySentence(const QString &text, int depth)
{
    for (const KnownSentence &known : knownSentences()) {
        const QRegularExpressionMatch m = known.pattern.match(text);
        if (!m.hasMatch())
            continue;
        const QString sentence = QCoreApplication::translate(known.sentence->context, known.sentence->source);
        // Numbers change their mark only when the sentence changes language.
        const bool otherLanguage = sentence != QString::fromUtf8(known.sentence->source);
        QStringList parts;
        for (int i = 1; i <= m.lastCapturedIndex(); ++i) {
            const QString part = translated(m.captured(i), depth + 1);
            parts << (otherLanguage ? withDecimalMark(part, known.french) : part);
        }
        return fill(sentence, parts);
    }
    return {};
}

QString translated(const QString &text, int depth)
{
    if (text.isEmpty() || depth > kMaxDepth)
        return text;
    if (QString whole = bySentence(text, depth); !whole.isNull())
        return whole;
    // A system error text that the engine wrote in lower case ("permission denied").
    if (text.at(0).isLower()) {
        QString capital = text;
        capital[0] = capital.at(0).toUpper();
        if (QString t = bySentence(capital, depth); !t.isNull() && t != capital) {
            t[0] = t.at(0).toLower();
            return t;
        }
    }
    // A sentence ended with a full stop, as error boxes show it.
    if (text.size() > 1 && text.endsWith(u'.') && !text.endsWith(QStringLiteral(".."))) {
        const QString head = text.chopped(1);
        if (const QString t = translated(head, depth + 1); t != head)
            return t + u'.';
    }
    // A message and its cause on the next lines.
    if (const qsizetype line = text.indexOf(u'\n'); line > 0)
        return translated(text.left(line), depth + 1) + u'\n' + translated(text.mid(line + 1), depth + 1);
    // A system error text before the path it concerns ("Permission denied: /out/a.mp4").
    if (const qsizetype colon = text.indexOf(QStringLiteral(": ")); colon > 0) {
        const QString head = text.left(colon);
        if (const QString t = translated(head, depth + 1); t != head)
            return t + text.mid(colon);
    }
    return text;
}

} // namespace

QString InterfaceText(const std::string &message)
{
    return translated(QString::fromStdString(message), 0);
}
