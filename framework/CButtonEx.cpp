#include "framework/CButtonEx.h"

VEXA_IMPLEMENT_DYNAMIC(CButtonEx, Vexa::CButton)
