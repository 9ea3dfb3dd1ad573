#include "command_table.h"

#include <QRegularExpression>
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
        {kKlmCmdAudit, M::File, "ロムを監査する(&A)", {}},
        {kKlmCmdAuditReset, M::File, "ロムの監査情報をリセット(&R)", {}},
        {kKlmCmdRename, M::File, "ロムをリネームする(&N)", {}, false, true},
        {kKlmCmdRenameEach, M::File, "ロムを個別にリネームする(&S)", {}},
        {kKlmCmdMovieInfo, M::File, "動画情報を更新する(&M)", {}, false, true},
        {kKlmCmdProperties, M::File, "プロパティ(&P)", {}, false, true},
        {kKlmCmdExit, M::File, "終了(&X)\tAlt + F4", k(Qt::ALT | Qt::Key_F4), false, true},

        {kKlmCmdTitleMode, M::View, "タイトルの文字列順でソートする(&C)", {}, true},
        {kKlmCmdWheelSelect, M::View, "マウスホイールでリストを選択する(&W)", {}, true, true},
        {kKlmCmdAutoSelect, M::View, "リストを自動選択する(&I)", {}, true},
        {kKlmCmdShowOwned, M::View, "所有を表示(&H)\tF1", k(Qt::Key_F1), true, true},
        {kKlmCmdShowNotRenamed, M::View, "未リネームを表示\tF2", k(Qt::Key_F2), true},
        {kKlmCmdShowNotOwned, M::View, "未所有を表示(&M)\tF3", k(Qt::Key_F3), true},
        {kKlmCmdShowLaterDisks, M::View, "2枚目以降を表示(&P)\tF4", k(Qt::Key_F4), true},
        {kKlmCmdFavoritesOnly, M::View, "お気に入りを表示(&F)\tF5", k(Qt::Key_F5), true},
        {kKlmCmdFavoriteAdd, M::View, "お気に入りに追加(&A)", {}, false, true},
        {kKlmCmdFavoriteRemove, M::View, "お気に入りから削除(&D)", {}},
        {kKlmCmdFavoriteSave, M::View, "お気に入りを保存(&S)", {}, false, true},
        {kKlmCmdFavoriteLoad, M::View, "お気に入りを読み込む(&L)", {}},

        {kKlmCmdSearchTitle, M::Search, "タイトルで検索\tCtrl + T", k(Qt::CTRL | Qt::Key_T)},
        {kKlmCmdSearchHardware, M::Search, "ハードで検索\tCtrl + H", k(Qt::CTRL | Qt::Key_H)},
        {kKlmCmdSearchSoftware, M::Search, "ソフト/基板で検索\tCtrl + S", k(Qt::CTRL | Qt::Key_S)},
        {kKlmCmdSearchDeveloper, M::Search, "開発元で検索\tCtrl + D", k(Qt::CTRL | Qt::Key_D)},
        {kKlmCmdSearchPublisher, M::Search, "発売元で検索\tCtrl + P", k(Qt::CTRL | Qt::Key_P)},
        {kKlmCmdSearchGenre, M::Search, "ジャンルで検索\tCtrl + G", k(Qt::CTRL | Qt::Key_G)},
        {kKlmCmdSearchScreen, M::Search, "画面で検索\tCtrl + M", k(Qt::CTRL | Qt::Key_M)},
        {kKlmCmdSearchYear, M::Search, "発売年で検索\tCtrl + Y", k(Qt::CTRL | Qt::Key_Y)},
        {kKlmCmdSearchPrice, M::Search, "価格で検索\tCtrl + K", k(Qt::CTRL | Qt::Key_K)},
        {kKlmCmdSearchRomSize, M::Search, "サイズで検索\tCtrl + B", k(Qt::CTRL | Qt::Key_B)},
        // The hint reads Alt + R, but the key is Alt+A.
        {kKlmCmdResetAll, M::Search, "検索をリセット\tAlt + R", k(Qt::ALT | Qt::Key_A), false, true,
         "検索をリセット   Alt + A"},
        {kKlmCmdResetText, M::Search, "文字列検索をリセット\tAlt + C", k(Qt::ALT | Qt::Key_C)},
        {kKlmCmdResetHardware, M::Search, "ハード検索をリセット\tAlt + H", k(Qt::ALT | Qt::Key_H)},
        {kKlmCmdResetSoftware, M::Search, "ソフト/基板検索をリセット\tAlt + S", k(Qt::ALT | Qt::Key_S)},
        {kKlmCmdResetDeveloper, M::Search, "開発元検索をリセット\tAlt + D", k(Qt::ALT | Qt::Key_D)},
        {kKlmCmdResetPublisher, M::Search, "発売元検索をリセット\tAlt + P", k(Qt::ALT | Qt::Key_P)},
        {kKlmCmdResetGenre, M::Search, "ジャンル検索をリセット\tAlt + G", k(Qt::ALT | Qt::Key_G)},
        {kKlmCmdResetScreen, M::Search, "画面検索をリセット\tAlt + M", k(Qt::ALT | Qt::Key_M)},
        {kKlmCmdResetYear, M::Search, "発売年検索をリセット\tAlt + Y", k(Qt::ALT | Qt::Key_Y)},
        {kKlmCmdResetPrice, M::Search, "価格検索をリセット\tAlt + K", k(Qt::ALT | Qt::Key_K)},
        {kKlmCmdResetRomSize, M::Search, "サイズ検索をリセット\tAlt + B", k(Qt::ALT | Qt::Key_B)},

        {kKlmCmdPlay, M::Movie, "再生(&R)\tF6", k(Qt::Key_F6)},
        {kKlmCmdPause, M::Movie, "一時停止(&P)\tF7", k(Qt::Key_F7)},
        {kKlmCmdMute, M::Movie, "ミュート(&M)\tF8", k(Qt::Key_F8), true, true},
        {kKlmCmdVolumeUp, M::Movie, "音量を上げる(&U)\tCtrl + ↑", k(Qt::CTRL | Qt::Key_Up)},
        {kKlmCmdVolumeDown, M::Movie, "音量を下げる(&D)\tCtrl + ↓", k(Qt::CTRL | Qt::Key_Down)},
        {kKlmCmdVolumeStandard, M::Movie, "音量を標準にする(&Q)\tCtrl + Q", k(Qt::CTRL | Qt::Key_Q)},
        {kKlmCmdFaster, M::Movie, "再生速度を速くする(&R)\tCtrl + →", k(Qt::CTRL | Qt::Key_Right), false, true},
        {kKlmCmdSlower, M::Movie, "再生速度を遅くする(&S)\tCtrl + ←", k(Qt::CTRL | Qt::Key_Left)},
        {kKlmCmdSpeedNormal, M::Movie, "再生速度を標準にする(&N)\tCtrl + N", k(Qt::CTRL | Qt::Key_N)},
        {kKlmCmdShowMovie, M::Movie, "動画を表示する(&V)\tF9", k(Qt::Key_F9), true, true},
        {kKlmCmdLoop, M::Movie, "ループ再生する(&L)\tF10", k(Qt::Key_F10), true},

        {kKlmCmdRomFolders, M::Settings, "ロムフォルダ(&R)...", {}},
        {kKlmCmdRenameSettings, M::Settings, "リネーム・圧縮(&N)...", {}},
        {kKlmCmdEmulators, M::Settings, "エミュレータ(&E)...", {}},
        {kKlmCmdDisplay, M::Settings, "表示設定(&G)...", {}, false, true},
        {kKlmCmdFontsColours, M::Settings, "フォント・色(&F)...", {}},
        {kKlmCmdFieldItems, M::Settings, "フィールド項目(&I)...", {}},
        {kKlmCmdSnapSkins, M::Settings, "スナップスキン(&S)...", {}},
        {kKlmCmdReplacements, M::Settings, "検索用文字列置換(&P)...", {}, false, true},

        {kKlmCmdAbout, M::Help, "バージョン情報(&A)...", {}},

        {kKlmCmdArchiverTest, M::None, "archiver self-test", k(Qt::ALT | Qt::Key_Up)},
        {kKlmCmdFocusNext, M::None, "focus next", k(Qt::Key_Tab)},
        {kKlmCmdFocusPrevious, M::None, "focus previous", k(Qt::SHIFT | Qt::Key_Backtab)},
    };
    return table;
}

const KlmCommandDef* klmCommandDef(int32_t id)
{
    for (const KlmCommandDef& def : klmCommandTable())
        if (def.id == id) return &def;
    return nullptr;
}

QString klmCommandTip(const KlmCommandDef& def)
{
    if (def.tip) return QString::fromUtf8(def.tip);
    QString tip = QString::fromUtf8(def.caption);
    tip.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    tip.replace(QLatin1Char('\t'), QStringLiteral("   "));
    return tip;
}
