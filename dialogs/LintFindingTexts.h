// The findings of the description checks as the window words them (Windows-1251),
// without their place: "неизвестный тип данных «NUMBER»".
#pragma once

#include <string>

#include "catalogue/DescriptionLint.h"

std::string LintFindingTextRu(const LintFinding& finding);
