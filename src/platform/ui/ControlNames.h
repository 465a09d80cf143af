#pragma once

#include <QObject>
#include <QString>

#include <initializer_list>
#include <string_view>

// Gives each control the name it has in the code, so that tests and
// accessibility tools find it by that name: NAME_CONTROLS(EditStep, EditCopy)
// names them "EditStep" and "EditCopy".
#define NAME_CONTROLS(...) nameControls({ __VA_ARGS__ }, #__VA_ARGS__)

inline void nameControls(std::initializer_list<QObject *> controls, std::string_view names)
{
    for (QObject *control : controls) {
        const std::size_t comma = names.find(',');
        std::string_view name = names.substr(0, comma);
        names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
        while (!name.empty() && name.front() == ' ')
            name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ')
            name.remove_suffix(1);
        control->setObjectName(QString::fromLatin1(name.data(), qsizetype(name.size())));
    }
}
