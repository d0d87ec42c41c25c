// The status ids of the protocol control that the host treats apart from the others.
#pragma once

enum StatusId : short {
    statusPortNotAvailable = 240,
    statusTimeDate = 1030,
    statusFileReceived = 1090,
    statusContinueNotAvailable = 1100,
    statusListFiles = 1170,
    statusFilesFound = 1180,
    statusListedFile = 1190,
    statusListingComplete = 1200,
    statusSessionComplete = 1210,
    statusResuming = 1400,
};
