// The words the program gives a part of a tag's name the descriptions cannot name, in the
// tree and in every file and journal zolctl and the window write: "Тип 9(007).Параметр 1"
// (CatalogueTagNaming(UnnamedPartWords()), tagfile/TagNaming.h).
#pragma once

#include "tree/TreeNames.h"

const UnnamedPartTexts& UnnamedPartWords();
