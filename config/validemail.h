#pragma once
#include <QString>

// Whether a typed e-mail address is acceptable: a local part of a-z, 0-9,
// "_", "." and "-", one "@", host labels of two or more a-z, 0-9 and "-",
// and a top level of two or three letters. Upper case and surrounding spaces
// are forgiven.
bool IsValidEmail(const QString& address);
