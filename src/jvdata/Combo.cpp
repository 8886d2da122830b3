#include "jvdata/Combo.h"
