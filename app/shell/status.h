// Status list, pause and window utilities (module basFunctions).
#pragma once

#include <QString>

namespace basFunctions {

void Status(int mode, int value, const QString& message);
void WaitaWhile(double seconds);
bool FormIsOpen(const QString& name);

}  // namespace basFunctions
