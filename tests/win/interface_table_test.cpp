// The portable list of IAddTags's operations (server/TagServer.h) against the table widl
// generates from AddTags.idl: same names, same slots, nothing more in the table.
#include <gtest/gtest.h>

#include "server/TagServer.h"

extern "C" int AddTagsTableSlot(const char* name);
extern "C" int AddTagsTableSize(void);

TEST(InterfaceTable, OperationsStandInTheirSlots)
{
    for (const AddTagsOperation& operation : kAddTagsOperations)
        EXPECT_EQ(AddTagsTableSlot(operation.name), operation.slot) << operation.name;
    EXPECT_EQ(AddTagsTableSlot("QueryInterface"), 0);
    EXPECT_EQ(AddTagsTableSize(), 3 + kAddTagsOperationCount);
}
