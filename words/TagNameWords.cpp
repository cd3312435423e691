#include "words/TagNameWords.h"

const UnnamedPartTexts& UnnamedPartWords()
{
    static const UnnamedPartTexts words{"Тип ", "Параметр "};
    return words;
}
