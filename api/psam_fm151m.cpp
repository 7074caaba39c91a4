#include "api/transaction.h"
