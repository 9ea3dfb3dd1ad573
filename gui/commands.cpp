#include "commands.h"

#include <Qt>

namespace {
QKeySequence k(QKeyCombination key) { return QKeySequence(key); }
QKeySequence k(Qt::Key key) { return QKeySequence(key); }
}  // namespace

const char* klmMenuCaption(KlmMenu menu)
{
    switch (menu) {
    case KlmMenu::File: return "ファイル(&F)";
    case KlmMenu::View: return "表示(&V)";
    case KlmMenu::Search: return "検索(&S)";
    case KlmMenu::Movie: return "動画(&M)";
    case KlmMenu::Settings: return "設定(&O)";
    case KlmMenu::Help: return "ヘルプ(&H)";
    case KlmMenu::None: break;
    }
    return "";
}

const std::vector<KlmCommandDef>& klmCommandTable()
{
    using M = KlmMenu;
    static const std::vector<KlmCommandDef> table = {
        {32800, M::File, "ロムを監査する(&A)", {}},
        {32801, M::File, "ロムの監査情報をリセット(&R)", {}},
        {42300, M::File, "ロムをリネームする(&N)", {}, false, true},
        {42301, M::File, "ロムを個別にリネームする(&S)", {}},
        {32849, M::File, "動画情報を更新する(&M)", {}, false, true},
        {33800, M::File, "プロパティ(&P)", {}, false, true},
        {105, M::File, "終了(&X)\tAlt + F4", k(Qt::ALT | Qt::Key_F4), false, true},

        {32848, M::View, "タイトルの文字列順でソートする(&C)", {}, true},
        {35002, M::View, "マウスホイールでリストを選択する(&W)", {}, true, true},
        {34000, M::View, "リストを自動選択する(&I)", {}, true},
        {32808, M::View, "所有を表示(&H)\tF1", k(Qt::Key_F1), true, true},
        {42299, M::View, "未リネームを表示\tF2", k(Qt::Key_F2), true},
        {32809, M::View, "未所有を表示(&M)\tF3", k(Qt::Key_F3), true},
        {32810, M::View, "2枚目以降を表示(&P)\tF4", k(Qt::Key_F4), true},
        {32841, M::View, "お気に入りを表示(&F)\tF5", k(Qt::Key_F5), true},
        {32842, M::View, "お気に入りに追加(&A)", {}, false, true},
        {32843, M::View, "お気に入りから削除(&D)", {}},
        {35000, M::View, "お気に入りを保存(&S)", {}, false, true},
        {35001, M::View, "お気に入りを読み込む(&L)", {}},

        {33000, M::Search, "タイトルで検索\tCtrl + T", k(Qt::CTRL | Qt::Key_T)},
        {33001, M::Search, "ハードで検索\tCtrl + H", k(Qt::CTRL | Qt::Key_H)},
        {33002, M::Search, "ソフト/基板で検索\tCtrl + S", k(Qt::CTRL | Qt::Key_S)},
        {33003, M::Search, "開発元で検索\tCtrl + D", k(Qt::CTRL | Qt::Key_D)},
        {33004, M::Search, "発売元で検索\tCtrl + P", k(Qt::CTRL | Qt::Key_P)},
        {33005, M::Search, "ジャンルで検索\tCtrl + G", k(Qt::CTRL | Qt::Key_G)},
        {33006, M::Search, "画面で検索\tCtrl + M", k(Qt::CTRL | Qt::Key_M)},
        {33007, M::Search, "発売年で検索\tCtrl + Y", k(Qt::CTRL | Qt::Key_Y)},
        {33008, M::Search, "価格で検索\tCtrl + K", k(Qt::CTRL | Qt::Key_K)},
        {33009, M::Search, "サイズで検索\tCtrl + B", k(Qt::CTRL | Qt::Key_B)},
        // The hint reads Alt + R, but the key is Alt+A.
        {33010, M::Search, "検索をリセット\tAlt + R", k(Qt::ALT | Qt::Key_A), false, true},
        {33011, M::Search, "文字列検索をリセット\tAlt + C", k(Qt::ALT | Qt::Key_C)},
        {33012, M::Search, "ハード検索をリセット\tAlt + H", k(Qt::ALT | Qt::Key_H)},
        {33013, M::Search, "ソフト/基板検索をリセット\tAlt + S", k(Qt::ALT | Qt::Key_S)},
        {33014, M::Search, "開発元検索をリセット\tAlt + D", k(Qt::ALT | Qt::Key_D)},
        {33015, M::Search, "発売元検索をリセット\tAlt + P", k(Qt::ALT | Qt::Key_P)},
        {33016, M::Search, "ジャンル検索をリセット\tAlt + G", k(Qt::ALT | Qt::Key_G)},
        {33017, M::Search, "画面検索をリセット\tAlt + M", k(Qt::ALT | Qt::Key_M)},
        {33018, M::Search, "発売年検索をリセット\tAlt + Y", k(Qt::ALT | Qt::Key_Y)},
        {33019, M::Search, "価格検索をリセット\tAlt + K", k(Qt::ALT | Qt::Key_K)},
        {33020, M::Search, "サイズ検索をリセット\tAlt + B", k(Qt::ALT | Qt::Key_B)},

        {32772, M::Movie, "再生(&R)\tF6", k(Qt::Key_F6)},
        {32773, M::Movie, "一時停止(&P)\tF7", k(Qt::Key_F7)},
        {32777, M::Movie, "ミュート(&M)\tF8", k(Qt::Key_F8), true, true},
        {32774, M::Movie, "音量を上げる(&U)\tCtrl + ↑", k(Qt::CTRL | Qt::Key_Up)},
        {32775, M::Movie, "音量を下げる(&D)\tCtrl + ↓", k(Qt::CTRL | Qt::Key_Down)},
        {33103, M::Movie, "音量を標準にする(&Q)\tCtrl + Q", k(Qt::CTRL | Qt::Key_Q)},
        {33100, M::Movie, "再生速度を速くする(&R)\tCtrl + →", k(Qt::CTRL | Qt::Key_Right), false, true},
        {33101, M::Movie, "再生速度を遅くする(&S)\tCtrl + ←", k(Qt::CTRL | Qt::Key_Left)},
        {33102, M::Movie, "再生速度を標準にする(&N)\tCtrl + N", k(Qt::CTRL | Qt::Key_N)},
        {32830, M::Movie, "動画を表示する(&V)\tF9", k(Qt::Key_F9), true, true},
        {32835, M::Movie, "ループ再生する(&L)\tF10", k(Qt::Key_F10), true},

        {40000, M::Settings, "ロムフォルダ(&R)...", {}},
        {42302, M::Settings, "リネーム・圧縮(&N)...", {}},
        {32813, M::Settings, "エミュレータ(&E)...", {}},
        {32811, M::Settings, "表示設定(&G)...", {}, false, true},
        {32831, M::Settings, "フォント・色(&F)...", {}},
        {32899, M::Settings, "フィールド項目(&I)...", {}},
        {33600, M::Settings, "スナップスキン(&S)...", {}},
        {40200, M::Settings, "検索用文字列置換(&P)...", {}, false, true},

        {104, M::Help, "バージョン情報(&A)...", {}},

        {44444, M::None, "archiver self-test", k(Qt::ALT | Qt::Key_Up)},
        {32778, M::None, "focus next", k(Qt::Key_Tab)},
        {32779, M::None, "focus previous", k(Qt::SHIFT | Qt::Key_Backtab)},
    };
    return table;
}
