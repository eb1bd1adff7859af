S_Header:
	smpsHeaderStartSong 1
	smpsHeaderVoiceNull
	smpsHeaderChan      $01, $00
	smpsHeaderTempo     $01, $05
	smpsHeaderDAC       S_DAC
S_DAC:
	dc.b	dKick, $0C, (1+2)*3, -1&$0F
    if FixMusicAndSFXDataBugs
	smpsPan panLeft, $00
    elseif ~~0
	smpsModSet $01, $02, $03, $04
    endif
X = 5
	smpsLoop $00, X, S_DAC
	smpsJump S_DAC
