#pragma once

#include <QString>

// Why a picture could not be written, in the dialog's language, from the
// system's error number.
QString dmWriteErrorText(int errnum);
