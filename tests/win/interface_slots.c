/* The slots of IAddTags's operations in the table widl generates from AddTags.idl, read
 * through the C form of the interface (the C++ form hides the table). */
#define CINTERFACE
#include <windows.h>
#include <stddef.h>
#include <string.h>

#include "AddTags.h"

#define ZOL_SLOT(member) {#member, (int)(offsetof(IAddTagsVtbl, member) / sizeof(void*))}

int AddTagsTableSlot(const char* name)
{
    static const struct {
        const char* name;
        int slot;
    } slots[] = {
        ZOL_SLOT(QueryInterface), ZOL_SLOT(AddRef),     ZOL_SLOT(Release),        ZOL_SLOT(AddTag),
        ZOL_SLOT(DeleteTag),      ZOL_SLOT(RestartServer), ZOL_SLOT(GetComSettings), ZOL_SLOT(SetComSettings),
        ZOL_SLOT(EnumTags),       ZOL_SLOT(GetTagInfo), ZOL_SLOT(Reserved),       ZOL_SLOT(ProbeDevice),
    };
    size_t i;
    for (i = 0; i < sizeof slots / sizeof slots[0]; ++i)
        if (strcmp(slots[i].name, name) == 0) return slots[i].slot;
    return -1;
}

int AddTagsTableSize(void) { return (int)(sizeof(IAddTagsVtbl) / sizeof(void*)); }
