#include "core/uAppStatus.h"

TAppStatus AppStatus;
