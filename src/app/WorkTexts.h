#pragma once
#include <QString>

class Messages;

// Texts of the history, the compare and the find bar: the catalogue's text of key, or the
// built-in one of the catalogue's language when an older settings file lacks it.
QString workText(Messages &messages, const char *key);
