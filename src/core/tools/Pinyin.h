// "汉字转拼音": pinyin with tone marks for every Chinese character.
#pragma once

#include <string>
#include <string_view>

namespace qm::pinyin {

// Syllables separated by a blank (and from letters and digits next to them);
// every other character kept. Words whose reading differs from their
// characters' usual ones (银行, 长城, 重庆 …) are read as words, the longest
// match first; other characters by their usual reading.
std::u16string ToPinyin(std::u16string_view text);

}  // namespace qm::pinyin
