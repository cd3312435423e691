#include "common/Guide.h"

#include "res/resource.h"

namespace {

struct SectionOfTemplate {
    unsigned templateId;
    const char* section;
};

constexpr char kMainWindowSection[] = "main-window";

const SectionOfTemplate kSections[] = {
    {IDD_ZOLCFG_DIALOG, kMainWindowSection},
    {IDD_COM_SETTINGS, "com-port"},
    {IDD_ADD_DEVICE, "add-device"},
    {IDD_ADD_TAG_TREE, "add-tags"},
    {IDD_EDIT_REFRESH_TIME, "refresh-period"},
    {IDD_AUTO_FIND, "auto-search"},
    {IDD_DESCRIPTION_FILES, "description-files"},
    {IDD_FIND, "find"},
    {IDD_BRANCH_PERIOD, "branch-period"},
    {IDD_PROGRESS_WINDOW, "reading-configuration"},
    {IDD_IMPORT_PREVIEW, "import"},
    {IDD_HISTORY, "history"},
    {IDD_STEP_PROGRESS, "undo"},
    {IDD_COPY_DEVICE, "copy-device"},
    {IDD_LINE_CHECK, "line-check"},
};

}  // namespace

const char* GuideSectionOf(unsigned templateId)
{
    for (const SectionOfTemplate& s : kSections) {
        if (s.templateId == templateId) return s.section;
    }
    return kMainWindowSection;
}

std::vector<std::string> GuideSections()
{
    std::vector<std::string> sections;
    for (const SectionOfTemplate& s : kSections) sections.emplace_back(s.section);
    return sections;
}

std::string FileUrl(const std::string& path, const std::string& anchor)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    // A drive path gets the third slash of an empty host; a POSIX path brings its own.
    if (path.empty() || (path[0] != '/' && path[0] != '\\')) url += '/';
    for (unsigned char c : path) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (c == '\\' || c == '/') {
            url += '/';
        } else if (unreserved || c == ':') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    if (!anchor.empty()) url += "#" + anchor;
    return url;
}
