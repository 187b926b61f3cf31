#include "frames/uWebSDK.h"
