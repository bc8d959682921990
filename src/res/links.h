// The two web sites of the Help menu, shared by the resource script (the menu label) and the code (the
// addresses handed to the shell).
#pragma once

#define DODAVIRID_CONVERTER_SITE "https://trivane.example/"
#define DODAVIRID_MAKER_SITE "https://pelrin.example/"
// The maker's domain as the label of its menu item; n is the mnemonic.
#define DODAVIRID_MAKER_DOMAIN_LABEL "pelri&n.example"
