// The collation of CMemoryTree, modelled on the tree-view control: alphabetical ignoring
// letter case; for sorted insertion, names equal but for case are ordered lowercase first
// at the first letter that differs (as the control's case-sensitive comparison does), so
// only identical texts compare equal there. Texts are Windows-1251; Latin and Cyrillic
// letters fold to lowercase, other bytes compare by value.
#pragma once

#include <string>

unsigned char FoldCase1251(unsigned char c);

// <0, 0 or >0, comparing a and b ignoring letter case.
int CompareTextNoCase(const std::string& a, const std::string& b);

// <0, 0 or >0 in the order of sorted insertion; 0 only when a and b are identical.
int CompareTextForInsertion(const std::string& a, const std::string& b);
