#include "verify/KenshoUnit.h"
