' The About box from a script client: every DisplayAboutBox call shows the modal
' dialog and returns once it is closed (tests/about_driver.exe closes it).
Set check = CreateObject("Vitrelle.GlazeCheck")
check.DisplayAboutBox
WScript.Echo "GlazeCheck.DisplayAboutBox returned"
Set slider = CreateObject("Vitrelle.GlazeSlider")
slider.DisplayAboutBox
WScript.Echo "GlazeSlider.DisplayAboutBox returned"
