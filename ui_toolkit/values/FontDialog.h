#pragma once

// Moved into the toolkit proper; this path stays for code written against it.
#include "ui_toolkit/FontDialog.h"
