#include "verify/SelectionRule.h"
