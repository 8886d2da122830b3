#include "verify/KaimeSettingUnit.h"
