#include "lsItem.h"
