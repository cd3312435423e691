// The words the program gives a part of a tag's name the descriptions cannot name, in the
// tree and in every file and journal zolctl and the window write: "Тип 9(007).Параметр 1"
// (CatalogueTagNames(UnnamedPartWords()), tagfile/TagNames.h).
#pragma once

#include "tree/TreeTagName.h"

const UnnamedPartTexts& UnnamedPartWords();
