#pragma once
// The results the .X reader reports, under their DirectX File names, and the
// detail it keeps about the first fault it met in a file.

#include <string>

#include "platform/win32/Win32Types.h"

#define DXFILE_OK ((HRESULT)0)

// Failures share DirectX's facility; the codes are ours.
#define DXFILE_ERROR_CODE(code) ((HRESULT)(0x88760000u | (code)))
#define DXFILEERR_BADVALUE DXFILE_ERROR_CODE(851)
#define DXFILEERR_FILENOTFOUND DXFILE_ERROR_CODE(859)
#define DXFILEERR_BADFILETYPE DXFILE_ERROR_CODE(862)
#define DXFILEERR_BADFILEVERSION DXFILE_ERROR_CODE(863)
#define DXFILEERR_BADFILEFLOATSIZE DXFILE_ERROR_CODE(864)
#define DXFILEERR_PARSEERROR DXFILE_ERROR_CODE(867)
#define DXFILEERR_BADARRAYSIZE DXFILE_ERROR_CODE(869)
#define DXFILEERR_BADDATAREFERENCE DXFILE_ERROR_CODE(870)
#define DXFILEERR_NOMOREOBJECTS DXFILE_ERROR_CODE(872)

// The first fault met while reading a file: its result, the line of the text
// it was met on (0 when it concerns the whole file) and a sentence for people.
struct XFileError {
    HRESULT result = DXFILE_OK;
    int line = 0;
    std::string message;
};
