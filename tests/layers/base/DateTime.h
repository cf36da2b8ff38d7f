// The base includes only itself: accepted.
#pragma once
#include "base/Text.h"
