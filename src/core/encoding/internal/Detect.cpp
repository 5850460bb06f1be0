// How plausible a reading is as Chinese: every character decoded from a
// sample of the bytes is weighed by where its code lies (the common
// characters of each standard, punctuation, rarer characters, symbols and
// user-defined areas that real text seldom uses, bytes that do not decode)
// and by whether it is among the characters that make up most of any
// Chinese text. Big5 read as GBK gives kana, Greek and user-defined codes;
// GBK read as Big5 gives rare characters; each reading's frequent
// characters come out only from text really in that encoding.
#include "core/encoding/internal/Detect.h"

#include <bitset>
#include <cstring>
#include <memory>

#include "core/encoding/internal/Codecs.h"

namespace qm::enc::detail {
namespace {

// The most frequent characters of modern Chinese, simplified, and the same
// list in the forms used in Taiwan.
constexpr std::string_view kFrequentSimplified =
    "的一是不了在人有我他这个们中来上大为和国地到以说时要就出会可也你对生能而"
    "子那得于着下自之年过发后作里用道行所然家种事成方多经么去法学如都同现当没"
    "动面起看定天分还进好小部其些主样理心她本前开但因只从想实日军者意无力它与"
    "长把机十民第公此已工使情明性知全三又关点正业外将两高间由问很最重并物手应"
    "战向头文体政美相见被利什二等产或新己制身果加西斯月话合回特代内信表化老给"
    "世位次度门任常先海通教儿原东声提立及比员解水名真论处走义各入几口认条平系"
    "气题活尔更别打女变四神总何电数安少报才结反受目太量再感建务做接必场件计管"
    "期市直德资命山金指克许统区保至队形社便空决治展马科司五基眼书非则听白却界"
    "达光放强即像难且权思王象完设式色路记南品住告类求据程北边死张该交规万取拉"
    "格望觉术领共确传师观清今切院让识候带导争运笑飞风步改收根干造言联持组每济"
    "车亲极林服快办议往元英士证近失转夫令准布始怎呢存未远叫台单影具罗字爱击流"
    "备兵连调深商算质团集百需价花党华城石级整府离况亚请技际约示复病息究线似官"
    "火断精满支视消越器容照须九增研写称企八功吗包片史委乎查轻易早曾除农找装广"
    "显吧阿李标谈吃图念六引历首医局突专费号尽另周较注语仅考落青随选列武红响虽"
    "推势参希古众构房半节土投某案黑维革划敌致陈律足态护七兴派孩验责营星够章音"
    "跟志底站严巴例防族供效续施留讲型料终答紧黄绝奇察母京段依批群项故按河米围"
    "江织害斗双境客纪采举杀攻父苏密低朝友诉止细愿千值仍男钱破网热助倒育属坐帝"
    "限船脸职速刻乐否刚威毛状率甚独球般普怕弹校苦创假久错承印晚兰试股拿脑预谁"
    "益阳若哪微尼继送急血惊伤素药适波夜省初喜卫源食险待述陆习置居劳财环排福纳"
    "欢雷警获模充负云停木游龙树疑层冷洲冲射略范竟句室异激汉村哈策演简卡罪判担"
    "州静退既衣您宗积余痛检差富灵协角占配征修皮挥胜降阶审沉坚善妈刘读啊超免压"
    "银买皇养伊怀执副乱抗犯追帮宣佛岁航优怪香著田铁控税左右份穿艺背阵草脚概恶"
    "块顿敢守酒岛托央户烈洋哥索胡款靠评版宝座释景顾弟登货互付伯慢欧换闻危忙核"
    "暗姐介坏讨丽良序升监临亮露永呼味野架域沙掉括舰鱼杂误湾吉减编楚肯测败屋跑"
    "梦散温困剑渐封救贵枪缺楼县尚毫移娘朋画班智亦耳恩短掌恐遗固席松秘谢鲁遇康"
    "虑幸均销钟诗藏赶剧票损忽巨炮旧端探湖录叶春乡附吸予礼港雨呀板庭妇归睛饭额"
    "含顺输摇招婚脱补谓督毒油疗旅泽材灭逐莫笔亡鲜词圣择寻厂睡博勒烟授诺伦岸奥"
    "唐卖俄炸载洛健堂旁宫喝借君禁阴园谋宋避抓荣姑孙逃牙束跳顶玉镇雪午练迫爷篇"
    "肉嘴馆遍凡础洞卷坦牛宁纸诸训私庄祖丝翻暴森塔默握戏隐熟骨访弱蒙歌店鬼软典"
    "欲萨伙遭盘爸扩盖弄雄稳忘亿刺拥徒姆杨齐赛趣曲刀床迎冰虚玩析窗醒妻透购替塞"
    "努休虎扬途侵刑绿兄迅套贸毕唯谷轮库迹尤竞街促延震弃甲伟麻川申缓潜闪售灯针"
    "哲络抵朱埃抱鼓植纯夏忍页杰筑折郑贝尊吴秀混臣雅振染盛怒舞圆搞狂措姓残秋培"
    "迷诚宽宇猛摆梅毁伸摩盟末乃悲拍丁赵尾";
constexpr std::string_view kFrequentTraditional =
    "的一是不了在人有我他這個們中來上大為和國地到以說時要就出會可也你對生能而"
    "子那得於著下自之年過發後作裡用道行所然家種事成方多經麼去法學如都同現當沒"
    "動面起看定天分還進好小部其些主樣理心她本前開但因只從想實日軍者意無力它與"
    "長把機十民第公此已工使情明性知全三又關點正業外將兩高間由問很最重並物手應"
    "戰向頭文體政美相見被利什二等產或新己制身果加西斯月話合回特代內信表化老給"
    "世位次度門任常先海通教兒原東聲提立及比員解水名真論處走義各入幾口認條平系"
    "氣題活爾更別打女變四神總何電數安少報才結反受目太量再感建務做接必場件計管"
    "期市直德資命山金指克許統區保至隊形社便空決治展馬科司五基眼書非則聽白卻界"
    "達光放強即像難且權思王象完設式色路記南品住告類求據程北邊死張該交規萬取拉"
    "格望覺術領共確傳師觀清今切院讓識候帶導爭運笑飛風步改收根幹造言聯持組每濟"
    "車親極林服快辦議往元英士證近失轉夫令準布始怎呢存未遠叫臺單影具羅字愛擊流"
    "備兵連調深商算質團集百需價花黨華城石級整府離況亞請技際約示復病息究線似官"
    "火斷精滿支視消越器容照須九增研寫稱企八功嗎包片史委乎查輕易早曾除農找裝廣"
    "顯吧阿李標談吃圖念六引歷首醫局突專費號盡另周較注語僅考落青隨選列武紅響雖"
    "推勢參希古眾構房半節土投某案黑維革劃敵致陳律足態護七興派孩驗責營星夠章音"
    "跟志底站嚴巴例防族供效續施留講型料終答緊黃絕奇察母京段依批群項故按河米圍"
    "江織害鬥雙境客紀採舉殺攻父蘇密低朝友訴止細願千值仍男錢破網熱助倒育屬坐帝"
    "限船臉職速刻樂否剛威毛狀率甚獨球般普怕彈校苦創假久錯承印晚蘭試股拿腦預誰"
    "益陽若哪微尼繼送急血驚傷素藥適波夜省初喜衛源食險待述陸習置居勞財環排福納"
    "歡雷警獲模充負雲停木遊龍樹疑層冷洲衝射略範竟句室異激漢村哈策演簡卡罪判擔"
    "州靜退既衣您宗積餘痛檢差富靈協角佔配徵修皮揮勝降階審沉堅善媽劉讀啊超免壓"
    "銀買皇養伊懷執副亂抗犯追幫宣佛歲航優怪香著田鐵控稅左右份穿藝背陣草腳概惡"
    "塊頓敢守酒島託央戶烈洋哥索胡款靠評版寶座釋景顧弟登貨互付伯慢歐換聞危忙核"
    "暗姐介壞討麗良序升監臨亮露永呼味野架域沙掉括艦魚雜誤灣吉減編楚肯測敗屋跑"
    "夢散溫困劍漸封救貴槍缺樓縣尚毫移娘朋畫班智亦耳恩短掌恐遺固席松秘謝魯遇康"
    "慮幸均銷鍾詩藏趕劇票損忽巨炮舊端探湖錄葉春鄉附吸予禮港雨呀板庭婦歸睛飯額"
    "含順輸搖招婚脫補謂督毒油療旅澤材滅逐莫筆亡鮮詞聖擇尋廠睡博勒煙授諾倫岸奧"
    "唐賣俄炸載洛健堂旁宮喝借君禁陰園謀宋避抓榮姑孫逃牙束跳頂玉鎮雪午練迫爺篇"
    "肉嘴館遍凡礎洞卷坦牛寧紙諸訓私莊祖絲翻暴森塔默握戲隱熟骨訪弱蒙歌店鬼軟典"
    "欲薩夥遭盤爸擴蓋弄雄穩忘億刺擁徒姆楊齊賽趣曲刀床迎冰虛玩析窗醒妻透購替塞"
    "努休虎揚途侵刑綠兄迅套貿畢唯谷輪庫跡尤競街促延震棄甲偉麻川申緩潛閃售燈針"
    "哲絡抵朱埃抱鼓植純夏忍頁傑築折鄭貝尊吳秀混臣雅振染盛怒舞圓搞狂措姓殘秋培"
    "迷誠寬宇猛擺梅毀伸摩盟末乃悲拍丁趙尾";

using CharSet = std::bitset<65536>;

std::unique_ptr<CharSet> SetOf(std::string_view utf8) {
    auto set = std::make_unique<CharSet>();
    Utf8Decoder dec;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    char16_t out[2];
    while (p < end)
        if (dec.Step(p, end, out) == 1) set->set(out[0]);
    return set;
}

const CharSet& FrequentSimplified() {
    static const std::unique_ptr<CharSet> set = SetOf(kFrequentSimplified);
    return *set;
}

const CharSet& FrequentTraditional() {
    static const std::unique_ptr<CharSet> set = SetOf(kFrequentTraditional);
    return *set;
}

enum class Kind { Common, Punctuation, Rare, Odd };

Kind GbKind(unsigned lead, unsigned trail) {
    if (trail >= 0xA1) {
        if (lead >= 0xB0 && lead <= 0xD7) return Kind::Common;  // first level
        if (lead == 0xA1 || lead == 0xA3) return Kind::Punctuation;
        if (lead >= 0xD8 && lead <= 0xF7) return Kind::Rare;  // second level
        return Kind::Odd;  // kana, Greek, box drawing, user-defined
    }
    if (lead <= 0xA0 || (lead >= 0xAA && lead <= 0xFE)) return Kind::Rare;  // GBK's additions
    return Kind::Odd;
}

Kind Big5Kind(unsigned lead, unsigned trail) {
    const unsigned code = lead << 8 | trail;
    if (code >= 0xA440 && code <= 0xC67E) return Kind::Common;
    if (code >= 0xA140 && code <= 0xA3BF) return Kind::Punctuation;
    if (code >= 0xC940 && code <= 0xF9D5) return Kind::Rare;
    return Kind::Odd;
}

long Weight(Kind k) {
    switch (k) {
        case Kind::Common:
            return 2;
        case Kind::Punctuation:
            return 1;
        case Kind::Rare:
            return 0;
        case Kind::Odd:
            break;
    }
    return -3;
}

constexpr long kFrequentBonus = 3;
constexpr long kInvalid = -6;

// The score of one reading of the bytes.
template <Kind (*KindOf)(unsigned, unsigned)>
long Score(DbcsDecoder dec, std::string_view bytes, const CharSet& frequent) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    char16_t out[2];
    long score = 0;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const auto* at = p;
        const std::size_t invalid = dec.invalid;
        const int n = dec.Step(p, end, out);
        if (dec.invalid != invalid) {
            score += kInvalid;
        } else if (p - at == 2) {
            score += Weight(KindOf(at[0], at[1]));
            if (n == 1 && frequent[out[0]]) score += kFrequentBonus;
        }
        // One-byte codes above 0x7F and four-byte codes are neither here
        // nor there.
    }
    return score;
}

// Enough text to judge by, and no more: see kSampleNonAscii.
std::string_view Sample(std::string_view bytes) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80 && ++seen == kSampleNonAscii) {
            // End after a whole character of either reading: cut at ASCII.
            while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= 0x80) ++i;
            return bytes.substr(0, i);
        }
    }
    return bytes;
}

}  // namespace

bool HasNonAscii(std::string_view bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    for (; end - p >= 8; p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if (w & 0x8080808080808080u) return true;
    }
    for (; p < end; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return true;
    return false;
}

std::optional<Encoding> Utf16ByZeros(std::string_view start) {
    start = start.substr(0, kUtf16Sample & ~std::size_t{1});
    std::size_t zeros[2] = {0, 0};
    for (std::size_t i = 0; i < start.size(); ++i)
        if (start[i] == '\0') ++zeros[i % 2];
    const std::size_t units = start.size() / 2;
    // A quarter of the units with a zero byte, all on one side.
    for (const int side : {0, 1}) {
        if (zeros[side] >= 2 && zeros[side] * 4 >= units && zeros[1 - side] * 20 <= zeros[side])
            return side == 1 ? Encoding::Utf16Le : Encoding::Utf16Be;
    }
    return std::nullopt;
}

bool LooksLikeBig5(std::string_view bytes) {
    const std::string_view sample = Sample(bytes);
    const long gb = Score<GbKind>(DbcsDecoder{&Gb18030Table(), true}, sample, FrequentSimplified());
    const long big5 = Score<Big5Kind>(DbcsDecoder{&Big5Table()}, sample, FrequentTraditional());
    // Big5 must win by more than one frequent character's worth.
    return big5 > 0 && big5 > gb + Weight(Kind::Common) + kFrequentBonus;
}

}  // namespace qm::enc::detail
