#include "framework/CComboBoxEx.h"

VEXA_IMPLEMENT_DYNAMIC(CComboBoxEx, Vexa::CComboBox)
