#include "verify/Kensho.h"
