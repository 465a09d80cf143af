#pragma once

#include <QString>

#include <string>

// A message made by code that knows no window, in the language of the
// interface: the known sentence it is made of is looked up in the installed
// translations, and the parts filled into it (a cause, a system error text)
// are translated in turn. Paths, numbers and a library's own words stay as
// they are, but a part that is exactly a decimal number takes the decimal
// mark of the language its sentence is translated into ("2,0" in English is
// "2.0", "1.5" in French "1,5"); a message with no known sentence is shown
// unchanged.
QString InterfaceText(const std::string &message);
