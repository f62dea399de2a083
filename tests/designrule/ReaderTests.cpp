#include "RuleSupport.h"
