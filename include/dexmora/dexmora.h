#pragma once

/// @file
/// The whole public library: text to symbol (encode), symbol to picture
/// (render), picture to file (writeFile), and the read-back check (verify).

#include <dexmora/encode.h>
#include <dexmora/error.h>
#include <dexmora/notice.h>
#include <dexmora/option_set.h>
#include <dexmora/options.h>
#include <dexmora/output_file.h>
#include <dexmora/render.h>
#include <dexmora/sizes.h>
#include <dexmora/symbol.h>
#include <dexmora/verify.h>
#include <dexmora/version.h>
