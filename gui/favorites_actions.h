// The favourites commands: mark and unmark the selected games, save the
// favourites to a file of the user's and add those of such a file. The list
// is refreshed only when the change alters which rows it shows (favourites
// only); otherwise its rows and selection stay and it is repainted.
#pragma once

class KlmCommandRouter;
class KlmGameListView;
class KlmWindowServices;

void klmRegisterFavoriteCommands(KlmCommandRouter& router, KlmWindowServices& services, KlmGameListView& list);
