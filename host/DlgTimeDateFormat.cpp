#include "DlgTimeDateFormat.h"

#include "TaskTexts.h"
#include "framework/Resources.h"
#include "res/resource.h"

CDlgTimeDateFormat::CDlgTimeDateFormat(HWND parent) : CDialog(IDD_TIME_DATE_FORMAT, parent) {}

int CDlgTimeDateFormat::RadioId(int format)
{
    // Two runs of ids: 1011..1024 for the formats with a time, 1031..1036 for the date-only ones.
    return format < 14 ? IDC_TASK_FORMAT_FIRST + format : 1031 + (format - 14);
}

BOOL CDlgTimeDateFormat::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (int format = 0; format < TimeDateFormatCount; ++format) {
        HWND radio = GetDlgItem(m_hWnd, RadioId(format));
        SetWindowTextW(radio, TimeDateFormatLabel(format).c_str());
        SendMessageW(radio, BM_SETCHECK, format == m_timeDateFormat ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

void CDlgTimeDateFormat::OnOK()
{
    for (int format = 0; format < TimeDateFormatCount; ++format) {
        if (IsDlgButtonChecked(m_hWnd, RadioId(format)) == BST_CHECKED) {
            m_timeDateFormat = format;
            break;
        }
    }
    EndDialog(IDOK);
}
