#pragma once

#include <dexmora/verify.h>

// The reader --verify decodes with, or null when this build has none.
const dexmora::Reader* verifyReader();
