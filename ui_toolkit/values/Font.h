#pragma once

// Moved below the core library; this path stays for code written against it.
#include "core/values/Font.h"
