// An interface of the platform that reaches up into the core: refused.
#pragma once
#include "base/DateTime.h"
#include "framework/settings/CLSettings.h"
