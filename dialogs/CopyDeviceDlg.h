// CCopyDeviceDlg: "Копирование устройства", the addresses one device's tags are to be copied
// to. It shows the source with its number of tags, takes the addresses as numbers and
// ranges ("6-20, 25"), and follows the field as it is typed with what the copy would do
// (tags to add, periods to change, tags already there) and what it refuses, each with its
// reason. It sends nothing: after "Копировать" the caller carries out m_Plan (or a plan of
// m_Addresses made again from a fresh reading of the server).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tagfile/DeviceCopy.h"
#include "ui/Dialog.h"

class CCopyDeviceDlg : public CDialog {
public:
    // How the window names a device and a tag (Windows-1251): "FD400(007)", "PM3F(005).Voltage".
    struct Names {
        std::function<std::string(std::uint32_t address, std::uint32_t type)> device;
        std::function<std::string(std::uint32_t address, std::uint32_t type, std::uint32_t param)> tag;
    };

    // serverTags: the server's tags with the periods CopyNeedsPeriod names; prefill: the
    // field's text at first (Windows-1251).
    CCopyDeviceDlg(const CopySource& source, const std::vector<ServerTag>& serverTags, const std::string& prefill,
                   Names names, CWnd* parent = nullptr);

    // After OK: the addresses read from the field, and the plan the preview showed for them.
    std::vector<std::uint32_t> m_Addresses;
    DeviceCopyPlan m_Plan;

    // The lines of the preview for a field's text, as the dialog shows them.
    std::wstring CountsText() const;
    std::vector<std::wstring> RefusedLines() const;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnAddressesChanged();

    BEGIN_MSG_MAP(CCopyDeviceDlg, CDialog)
        ON_EN_CHANGE(IDC_COPY_ADDRESSES, OnAddressesChanged)
    END_MSG_MAP()

private:
    // Reads the field and plans again.
    void Preview();

    CopySource m_source;
    const std::vector<ServerTag>& m_serverTags;
    std::string m_strPrefill;
    Names m_names;
    AddressList m_list;
};

// "17 тегов", "1 тег", "3 тега" (Windows-1251).
std::string TagCountText(std::size_t count);
