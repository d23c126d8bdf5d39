// address_frame.h - what the address book adds to the main frame.
//
// Views: the person list (type 3) and the resource list (type 4), one window each at most.
// Commands: "Person ..." (a new person, then the notice with the persons bit), "Gruppen ..."
// (the group membership dialog, no notice), "Ressource ..." (a new resource, then the resources
// bit), "Person" and "Ressourcen" in "Ansicht".  The program adds it with
// TMyApp::addFrameSetup(addressFrameSetup).
#ifndef VELK_WIDGETS_ADDRESS_ADDRESS_FRAME_H
#define VELK_WIDGETS_ADDRESS_ADDRESS_FRAME_H

namespace velk {

class tMainFrame;
class TMyMDIClient;

void addressFrameSetup(tMainFrame &frame, TMyMDIClient &client);

} // namespace velk

#endif
