// The Windows SDK's ODBC headers, which need the Windows types first.
#pragma once

#include <windows.h>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
